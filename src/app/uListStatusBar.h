#pragma once
// The strip under the list: how many entries there are, how many the search shows,
// how many are selected and, once links were checked, how many have problems; then
// the last report's summary and the button that opens the session's reports.

#include <QWidget>

class QLabel;
class QToolButton;

struct TListCounts
{
    qsizetype Entries = 0;
    qsizetype Shown = 0;
    qsizetype Selected = 0;
    qsizetype LinkProblems = -1; // -1: no entry was checked yet

    bool operator==(const TListCounts&) const = default;
};

class TListStatusBar : public QWidget
{
    Q_OBJECT
public:
    explicit TListStatusBar(QWidget* Parent = nullptr);

    // Shows the counts; cheap when nothing changed.
    void SetCounts(const TListCounts& Counts);
    const TListCounts& Counts() const { return FCounts; }
    // The last report's one-line summary (its title and counts); "" for none.
    void SetLastReport(const QString& Summary);
    // The key that opens the reports, named in the button's hint.
    void SetReportsKey(const QString& Key);
    // Sets the texts in the language of the locale.
    void ApplyTexts();

    QString CountsText() const;
    QLabel* countsLabel() const { return FCountsLabel; }
    QLabel* lastReportLabel() const { return FReportLabel; }
    QToolButton* reportsButton() const { return FReportsButton; }

Q_SIGNALS:
    void reportsRequested();

private:
    TListCounts FCounts;
    QString FReportsKey;
    QLabel* FCountsLabel = nullptr;
    QLabel* FReportLabel = nullptr;
    QToolButton* FReportsButton = nullptr;
};
