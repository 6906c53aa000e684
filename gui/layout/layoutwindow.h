#pragma once

#include <QWidget>

class QAction;
class QComboBox;
class QGroupBox;
class QLayout;
class QLineEdit;
class QMenu;
class QModelIndex;
class QPushButton;
class QRadioButton;

namespace pleq {

class EditStack;
class GridView;
class Project;

// LayoutWindow, "Роспись планшета": the sample list, the plate map and the fill
// parameters. Every edit goes into the Project at once as a step of the undo
// stack, and the controls follow the Project when something else changes it
// (a file opened, another kit chosen, an undo).
class LayoutWindow : public QWidget
{
    Q_OBJECT
public:
    // Edits go through `edits`, which holds the project.
    explicit LayoutWindow(EditStack& edits, QWidget* parent = nullptr);

private:
    // The window's parts, one per group box, and their wiring.
    void createControls();
    QGroupBox* createSampleBox();
    QGroupBox* createPlateBox();
    void createPlateMap(QWidget* parent);
    QLayout* createFillFields(QWidget* parent);
    QGroupBox* createOrientationBox(QWidget* parent);
    QGroupBox* createMaterialBox(QWidget* parent);
    void fitToGrids();
    void orderTabs();
    void connectEdits();

    void fill();            // "Заполнить"
    void appendSampleRow(); // "Добавить", "+"
    void removeSampleRow(); // "Удалить", "-"
    void chooseFirstWellOnMap(const QModelIndex& current);
    void showProject();
    void showFirstWell();
    bool eventFilter(QObject* watched, QEvent* event) override;

    EditStack& m_edits;
    Project& m_project;
    QGroupBox* m_sampleBox = nullptr;
    QGroupBox* m_plateBox = nullptr;
    GridView* m_sampleGrid = nullptr;
    GridView* m_plateMap = nullptr;
    QMenu* m_sampleMenu = nullptr;
    QAction* m_addItem = nullptr;
    QAction* m_removeItem = nullptr;
    QPushButton* m_addButton = nullptr;
    QPushButton* m_removeButton = nullptr;
    QPushButton* m_fillButton = nullptr;
    QLineEdit* m_plateNameEdit = nullptr;
    QComboBox* m_firstWellRow = nullptr;
    QComboBox* m_firstWellColumn = nullptr;
    QComboBox* m_repetitionsBox = nullptr;
    QRadioButton* m_horizontalButton = nullptr;
    QRadioButton* m_verticalButton = nullptr;
    QGroupBox* m_materialBox = nullptr;
    QRadioButton* m_milk = nullptr;
    QRadioButton* m_serum = nullptr;
};

} // namespace pleq
