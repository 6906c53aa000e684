#pragma once

#include <QWidget>

namespace pleq {

class Project;

// TForm5, "Form5". (Skeleton: its controls and behaviour are built with its folder.)
class TForm5 : public QWidget
{
    Q_OBJECT
public:
    explicit TForm5(Project& project, QWidget* parent = nullptr);

private:
    Project& m_project;
};

} // namespace pleq
