#pragma once

#include <QWidget>

namespace pleq {

class Project;

// TRosp, "Роспись планшета". (Skeleton: its controls and behaviour are built with its folder.)
class TRosp : public QWidget
{
    Q_OBJECT
public:
    explicit TRosp(Project& project, QWidget* parent = nullptr);

private:
    Project& m_project;
};

} // namespace pleq
