#pragma once

#include <QWidget>

class QComboBox;
class QGroupBox;
class QLineEdit;
class QMenu;
class QModelIndex;
class QRadioButton;

namespace pleq {

class GridView;
class Project;

// TRosp, "Роспись планшета": the sample list, the plate map and the fill
// parameters. Every edit is written into the Project at once, and the
// controls follow the Project when something else changes it (a file opened,
// another kit chosen).
class TRosp : public QWidget
{
    Q_OBJECT
public:
    explicit TRosp(Project& project, QWidget* parent = nullptr);

private:
    void createControls();
    void Button1Click(); // "Заполнить"
    void N1Click();      // "Добавить", "+"
    void N2Click();      // "Удалить", "-"
    void PlDataSelectCell(const QModelIndex& current);
    void showProject();
    void showFirstWell();
    bool eventFilter(QObject* watched, QEvent* event) override;

    Project& m_project;
    GridView* m_plProb = nullptr;
    GridView* m_plData = nullptr;
    QMenu* m_popupMenu1 = nullptr;
    QLineEdit* m_edit1 = nullptr;
    QComboBox* m_lunkaX = nullptr;
    QComboBox* m_lunkaY = nullptr;
    QComboBox* m_comboBox3 = nullptr;
    QComboBox* m_comboBox4 = nullptr;
    QRadioButton* m_radioButton1 = nullptr;
    QRadioButton* m_radioButton2 = nullptr;
    QGroupBox* m_rg = nullptr;
    QRadioButton* m_milk = nullptr;
    QRadioButton* m_serum = nullptr;
};

} // namespace pleq
