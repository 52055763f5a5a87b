#pragma once
// What an empty list says: how to fill it (add files or a folder, drop them here,
// import from the browsers) with the keys, in the middle of the list until there is
// an entry. A screen reader hears it as the list's description.

#include <QLabel>

class QAbstractItemView;

class TEmptyListHint : public QLabel
{
    Q_OBJECT
public:
    explicit TEmptyListHint(QAbstractItemView* List);

    // The keys of the three commands, as the window's actions have them.
    void SetKeys(const QString& AddFiles, const QString& AddFolder, const QString& Import);
    // Shown while the list holds no entry (and nothing is being read into it).
    void SetListEmpty(bool Empty);
    // Sets the text in the language of the locale.
    void ApplyTexts();

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    void Place();

    QAbstractItemView* FList;
    QString FAddFilesKey, FAddFolderKey, FImportKey;
    bool FEmpty = false;
};
