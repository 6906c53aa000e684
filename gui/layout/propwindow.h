#pragma once

#include <QWidget>

class QComboBox;
class QLineEdit;

namespace pleq {

class Project;

// TProp, "Параметры проекта": the executor's name and the kit.
class TProp : public QWidget
{
    Q_OBJECT
public:
    explicit TProp(Project& project, QWidget* parent = nullptr);

private:
    void NaborNameChange(int index);
    void showProject();
    bool eventFilter(QObject* watched, QEvent* event) override;

    Project& m_project;
    QLineEdit* m_ispName;
    QComboBox* m_naborName;
};

} // namespace pleq
