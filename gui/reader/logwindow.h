#pragma once

#include <QWidget>

class QPlainTextEdit;

namespace pleq {

class Project;

// TForm5, "Form5": the reader log. Its memo shows every line of the project's
// reader log and follows it as lines are appended, visible or not.
class TForm5 : public QWidget
{
    Q_OBJECT
public:
    explicit TForm5(Project& project, QWidget* parent = nullptr);

    QPlainTextEdit* memRead1() const { return m_memRead1; }

private:
    Project& m_project;
    QPlainTextEdit* m_memRead1 = nullptr;
};

} // namespace pleq
