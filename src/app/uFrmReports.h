#pragma once
// The reports of this session's adds, drops, imports, checks and merges, read again:
// the list of reports (newest first) and the chosen one in full, to read or copy.

#include <QDialog>

class QListWidget;
class QPlainTextEdit;
class QPushButton;
class TReportLog;

class TFrmReports : public QDialog
{
    Q_OBJECT
public:
    TFrmReports(const TReportLog& Log, QWidget* Parent = nullptr);

    // Shows the newest report first.
    void ShowNewest();
    // The report shown in full, as the clipboard gets it.
    QString ShownText() const;
    // Puts the shown report on the clipboard.
    void CopyShown();

    QListWidget* reportList() const { return FList; }
    QPlainTextEdit* reportText() const { return FText; }

private:
    void Fill();
    void ShowReport(int Row);

    const TReportLog& FLog;
    QListWidget* FList = nullptr;
    QPlainTextEdit* FText = nullptr;
    QPushButton* FCopyButton = nullptr;
};
