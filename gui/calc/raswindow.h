#pragma once

#include <QPointer>
#include <QWidget>

#include <array>

class QCheckBox;
class QLabel;
class QPushButton;

namespace pleq {

class GridView;
class Project;
class ProtocolWindow;

// TRas, "Расчет": the densities of the plate (typed in while "Ручной ввод" is
// checked, or fetched by the reader link, which drives "Получить данные",
// "Прервать" and the connection label), the coloured result grid and the ten
// summary labels of the last calculation. While the plate is locked nothing
// here changes the densities or the results.
class TRas : public QWidget
{
    Q_OBJECT
public:
    explicit TRas(Project& project, QWidget* parent = nullptr);

    void Button1Click(); // "Расчет"
    void Button2Click(); // "Протокол"
    void Button3Click(); // "Очистить данные"

    // The reader link's controls.
    QPushButton* go() const { return m_go; }
    QPushButton* stopBtn() const { return m_stopBtn; }
    QLabel* label2() const { return m_label2; }

private:
    void showLabels();
    void manualEntryChanged();
    void setPlateLocked(bool locked);

    Project& m_project;
    GridView* m_plData;
    GridView* m_rasTab;
    QCheckBox* m_checkBox1;
    QPushButton* m_button1 = nullptr;
    QPushButton* m_button3 = nullptr;
    QPushButton* m_go = nullptr;
    QPushButton* m_stopBtn = nullptr;
    QLabel* m_label2 = nullptr;
    std::array<QLabel*, 10> m_labels{};
    QPointer<ProtocolWindow> m_protocolWindow; // where no viewer opens result.txt
};

} // namespace pleq
