#pragma once

#include <QLocale>
#include <QString>

namespace pleq::test {

// The user's locale as the program sees it (QLocale()), set for one test by
// its name ("ru_RU", "C") and put back when the test ends, so a test of the
// locale's decimal mark runs the same whatever locale started it.
class DefaultLocale
{
public:
    explicit DefaultLocale(const QString& name)
        : m_previous(QLocale())
    {
        QLocale::setDefault(QLocale(name));
    }
    ~DefaultLocale() { QLocale::setDefault(m_previous); }
    DefaultLocale(const DefaultLocale&) = delete;
    DefaultLocale& operator=(const DefaultLocale&) = delete;

private:
    QLocale m_previous;
};

} // namespace pleq::test
