#pragma once

#include <QWidget>

class QComboBox;
class QLineEdit;

namespace pleq {

class EditStack;
class Project;

// ProjectWindow, "Параметры проекта": the executor's name and the kit.
class ProjectWindow : public QWidget
{
    Q_OBJECT
public:
    // Edits go through `edits`, which holds the project.
    explicit ProjectWindow(EditStack& edits, QWidget* parent = nullptr);

private:
    void chooseKit(int index);
    void showProject();
    bool eventFilter(QObject* watched, QEvent* event) override;

    EditStack& m_edits;
    Project& m_project;
    QLineEdit* m_executorEdit;
    QComboBox* m_kitBox;
};

} // namespace pleq
