#pragma once

#include "archive/journal.h"

#include <QStringList>
#include <QWidget>

#include <map>
#include <memory>

class QCheckBox;
class QComboBox;
class QDate;
class QDateEdit;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QTableView;

namespace pleq {

class ArchiveSession;
class JournalModel;
class RunWindow;

// "Журнал планшетов": the archived runs, filtered by date range, kit,
// executor and a part of a sample name, sorted by a click on a column; the
// database does both. Enter or a double click opens the selected run.
class JournalWindow : public QWidget
{
    Q_OBJECT
public:
    // Opens the session's archive; throws Error naming it and the reason.
    JournalWindow(ArchiveSession& session, QWidget* parent = nullptr);
    ~JournalWindow() override;

    JournalModel* model() const { return m_model.get(); }
    QTableView* table() const { return m_table; }

    // The filter widgets' state as a query; runs it. Errors show in the error box.
    void applyFilter();
    // "Обновить": the same query again, and the executors anew.
    void refresh();
    // The run of the current row in a window of its own; nullptr without one.
    RunWindow* openSelected();
    // "Сохранить якорь ...": the head shown appended to a file the user chooses.
    void saveAnchor();

    // The control-quality flags of runs (seq), shown in their column.
    void setQcFlags(std::map<qint64, QStringList> flags);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The window's parts, made once by the constructor.
    QHBoxLayout* createFilters(); // dates, kit, executor, sample search, "Обновить", "Открыть"
    void createDateFilter(QHBoxLayout* filters, const char* boxName, const QString& text, const char* editName,
                          QDate date, QCheckBox*& box, QDateEdit*& edit);
    QTableView* createTable();
    QHBoxLayout* createHead(); // the chain's head, to keep outside the archive, and "Сохранить якорь ..."
    void showHead();
    void showFirstRows(); // the executors and the first query, newest first
    void followSession(); // closes with the archive, refreshes on a run archived

    JournalFilter currentFilter() const;
    void fillExecutors();

    ArchiveSession& m_session;
    std::unique_ptr<JournalModel> m_model;
    QTableView* m_table = nullptr;
    QCheckBox* m_fromOn = nullptr;
    QDateEdit* m_from = nullptr;
    QCheckBox* m_toOn = nullptr;
    QDateEdit* m_to = nullptr;
    QComboBox* m_kit = nullptr;
    QComboBox* m_executor = nullptr;
    QLineEdit* m_search = nullptr;
    QLabel* m_head = nullptr;
    QString m_anchor; // the head's anchor line; empty for an empty archive
};

} // namespace pleq
