#pragma once

#include <QString>

#include <exception>
#include <optional>

namespace pleq {

// The one error type of the core. A command ends where it is thrown and keeps
// whatever it had changed before; the command boundary (one place in the GUI,
// one in pleq-cli) shows the message.
class Error : public std::exception
{
public:
    explicit Error(QString message);
    const QString& message() const { return m_message; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

// "'abc' is not a valid integer value": the conversion message of every integer field.
Error notAnInteger(const QString& text);
// "'abc' is not a valid floating point value": the conversion message of every density.
Error notAFloat(const QString& text);

// Integer field conversion: optional blanks before, an optional sign, decimal
// digits, nothing after; the value must fit 32 bits. Throws notAnInteger.
int toInt(const QString& text);
// The same conversion without the error: no value where toInt throws.
std::optional<int> intValue(const QString& text);

} // namespace pleq
