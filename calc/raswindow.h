#pragma once

#include <QWidget>

namespace pleq {

class Project;

// TRas, "Расчет". (Skeleton: its controls and behaviour are built with its folder.)
class TRas : public QWidget
{
    Q_OBJECT
public:
    explicit TRas(Project& project, QWidget* parent = nullptr);

private:
    Project& m_project;
};

} // namespace pleq
