#pragma once

#include "archive/journal.h"
#include "archive/location.h"

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
class JournalReader;
class RunWindow;
class Worker;

// "Журнал планшетов": the archived runs, filtered by date range, kit,
// executor and a part of a sample name, sorted by a click on a column; the
// database does both. Enter or a double click opens the selected run.
// Every read of the archive runs on the window's worker thread, the journal's
// connection with it: the window shows "Загрузка ..." meanwhile and answers,
// a read that fails shows its error, and a window closed mid-read drops what
// the read brings. The first read failing closes the window.
class JournalWindow : public QWidget
{
    Q_OBJECT
public:
    // Throws Error when the place set names no archive; the archive itself is
    // opened by the first read.
    JournalWindow(ArchiveSession& session, QWidget* parent = nullptr);
    ~JournalWindow() override;

    JournalModel* model() const { return m_model; }
    QTableView* table() const { return m_table; }
    // Reads of the journal's worker not told yet.
    bool loading() const;
    // The worker of the control-quality column's reads, beside the journal's
    // own so that neither waits for the other.
    Worker& qcFlagsWorker() const { return *m_qcFlagsWorker; }

    // The filter widgets' state as a query; runs it. Errors show in the error box.
    void applyFilter();
    // "Обновить": the same query again, and the executors and the head anew.
    void refresh();
    // Reads the run of the current row and shows it in a window of its own.
    void openSelected();
    // "Сохранить якорь ...": the head shown appended to a file the user chooses.
    void saveAnchor();

    // The control-quality flags of runs (seq), shown in their column.
    void setQcFlags(std::map<qint64, QStringList> flags);

Q_SIGNALS:
    // A read told: its rows are in the model, or its error was shown.
    void loaded();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The window's parts, made once by the constructor.
    QHBoxLayout* createFilters(); // dates, kit, executor, sample search, "Обновить", "Открыть"
    void createDateFilter(QHBoxLayout* filters, const char* boxName, const QString& text, const char* editName,
                          QDate date, QCheckBox*& box, QDateEdit*& edit);
    QTableView* createTable();
    QHBoxLayout* createHead(); // the chain's head, to keep outside the archive, and "Сохранить якорь ..."
    void showHead(const QString& anchor);
    void showFirstRows(); // the executors and the first query, newest first
    void followSession(); // closes with the archive, refreshes on a run archived

    // Reads on the worker: the query of `filter`, and the head and executors
    // with `whole`; the first page replaces the rows shown.
    void load(const JournalFilter& filter, bool whole);
    void fetchMore(); // the next page of the query shown
    void sortBy(int column, Qt::SortOrder order);
    void showLoading();
    void readFailed(const QString& message);

    JournalFilter currentFilter() const;
    void fillExecutors(const QStringList& names);

    ArchiveSession& m_session;
    ArchiveLocation m_location;
    JournalModel* m_model = nullptr;
    Worker* m_worker = nullptr;
    Worker* m_qcFlagsWorker = nullptr;
    // The journal's connection and query: made, used and destroyed on m_worker's thread only.
    std::shared_ptr<JournalReader> m_reader;
    JournalFilter m_filter; // the query shown
    int m_query = 0;        // the number of the query shown: a page of an older one is dropped
    bool m_shown = false;   // the first read has been told
    QLabel* m_status = nullptr;
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
