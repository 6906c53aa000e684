#pragma once

#include <QDialog>

namespace pleq {

class Project;

// TForm7, "Настройка ридера". (Skeleton: its controls and behaviour are built with its folder.)
class TForm7 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm7(Project& project, QWidget* parent = nullptr);

private:
    Project& m_project;
};

} // namespace pleq
