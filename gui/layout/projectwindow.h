#pragma once

#include <QWidget>

class QComboBox;
class QLineEdit;

namespace pleq {

class Project;

// ProjectWindow, "Параметры проекта": the executor's name and the kit.
class ProjectWindow : public QWidget
{
    Q_OBJECT
public:
    explicit ProjectWindow(Project& project, QWidget* parent = nullptr);

private:
    void chooseKit(int index);
    void showProject();
    bool eventFilter(QObject* watched, QEvent* event) override;

    Project& m_project;
    QLineEdit* m_executorEdit;
    QComboBox* m_kitBox;
};

} // namespace pleq
