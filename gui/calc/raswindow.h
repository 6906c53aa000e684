#pragma once

#include <QWidget>

#include <array>

class QCheckBox;
class QLabel;

namespace pleq {

class GridView;
class Project;

// TRas, "Расчет": the densities of the plate (typed in while "Ручной ввод" is
// checked, or fetched by the reader code, which wires "Получить данные",
// "Прервать" and the connection label by their object names), the coloured
// result grid and the ten summary labels of the last calculation.
class TRas : public QWidget
{
    Q_OBJECT
public:
    explicit TRas(Project& project, QWidget* parent = nullptr);

    void Button1Click(); // "Расчет"
    void Button2Click(); // "Протокол"
    void Button3Click(); // "Очистить данные"

private:
    void showLabels();
    void manualEntryChanged();

    Project& m_project;
    GridView* m_plData;
    GridView* m_rasTab;
    QCheckBox* m_checkBox1;
    std::array<QLabel*, 10> m_labels{};
};

} // namespace pleq
