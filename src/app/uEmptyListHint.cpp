#include <app/uEmptyListHint.h>

#include <app/uTranslations.h>
#include <app/uWindowHelpers.h>

#include <QAbstractItemView>
#include <QEvent>

TEmptyListHint::TEmptyListHint(QAbstractItemView* List) : QLabel(List->viewport()), FList(List)
{
    setObjectName(QStringLiteral("emptyListHint"));
    setAlignment(Qt::AlignCenter);
    setWordWrap(true);
    setTextFormat(Qt::PlainText);
    setFont(WindowFont(12));
    setForegroundRole(QPalette::PlaceholderText);
    // The list takes the clicks and the drops, as if the hint were not there.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    List->viewport()->installEventFilter(this);
    hide();
}

void TEmptyListHint::SetKeys(const QString& AddFiles, const QString& AddFolder,
                             const QString& Import)
{
    FAddFilesKey = AddFiles;
    FAddFolderKey = AddFolder;
    FImportKey = Import;
    ApplyTexts();
}

void TEmptyListHint::ApplyTexts()
{
    ApplyLanguage();
    // Five short lines: the list shows about that many rows in the window as first laid out.
    setText(tr("No bookmarks yet.") + u'\n' + tr("Add bookmark files: %1").arg(FAddFilesKey) + u'\n'
            + tr("Add a folder of shortcuts or exports: %1").arg(FAddFolderKey) + u'\n'
            + tr("Import from the browsers: %1").arg(FImportKey) + u'\n'
            + tr("Or drop files, folders or links here."));
    SetListEmpty(FEmpty);
}

void TEmptyListHint::SetListEmpty(bool Empty)
{
    FEmpty = Empty;
    // Read with the list by a screen reader, since the label itself takes no focus.
    FList->setAccessibleDescription(Empty ? text() : QString());
    setVisible(Empty);
    if (Empty)
        Place();
}

bool TEmptyListHint::eventFilter(QObject* Watched, QEvent* Event)
{
    if (Watched == FList->viewport() && Event->type() == QEvent::Resize && FEmpty)
        Place();
    return QLabel::eventFilter(Watched, Event);
}

void TEmptyListHint::Place()
{
    const QRect Room = FList->viewport()->rect().adjusted(10, 2, -10, -2);
    setGeometry(Room);
}
