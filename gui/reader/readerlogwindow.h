#pragma once

#include <QWidget>

class QPlainTextEdit;

namespace pleq {

class Project;

// ReaderLogWindow, "Обмен с ридером": the reader log. Its text view shows
// every line of the project's reader log and follows it as lines are
// appended, visible or not.
class ReaderLogWindow : public QWidget
{
    Q_OBJECT
public:
    explicit ReaderLogWindow(Project& project, QWidget* parent = nullptr);

    QPlainTextEdit* logView() const { return m_logView; }

private:
    Project& m_project;
    QPlainTextEdit* m_logView = nullptr;
};

} // namespace pleq
