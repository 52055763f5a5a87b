// The folder picker of "Move to folder".

#include "uFrmFolderPicker.h"

#include <model/uWebSiteFolders.h>

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The item role that holds the path; a new folder's item is marked by NewRole.
constexpr int PathRole = Qt::UserRole + 1;
constexpr int NewRole = Qt::UserRole + 2;

} // namespace

QString FolderPathOfInput(const QString& Text)
{
    QStringList names;
    for (const QString& name : Text.split(QChar(FolderSeparator))) {
        const QString trimmed = name.trimmed();
        if (!trimmed.isEmpty())
            names << trimmed;
    }
    return names.join(QChar(FolderSeparator));
}

TFrmFolderPicker::TFrmFolderPicker(QWidget* Parent) : QDialog(Parent)
{
    setWindowTitle(tr("Move to Folder"));
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(tr("&Find a folder, or type the path of a new one:"), this);
    FSearch = new QLineEdit(this);
    FSearch->setObjectName(QStringLiteral("folderSearchEdit"));
    FSearch->setClearButtonEnabled(true);
    label->setBuddy(FSearch);
    FList = new QListWidget(this);
    FList->setObjectName(QStringLiteral("folderPickList"));
    FList->setAccessibleName(tr("Folders"));
    FList->setUniformItemSizes(true);
    FButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    FButtons->button(QDialogButtonBox::Ok)->setText(tr("&Move Here"));
    layout->addWidget(label);
    layout->addWidget(FSearch);
    layout->addWidget(FList, 1);
    layout->addWidget(FButtons);
    resize(460, 420);

    connect(FSearch, &QLineEdit::textChanged, this, &TFrmFolderPicker::Narrow);
    connect(FList, &QListWidget::itemActivated, this, &QDialog::accept);
    connect(FList, &QListWidget::currentRowChanged, this,
            [this] { FButtons->button(QDialogButtonBox::Ok)->setEnabled(Chosen().has_value()); });
    connect(FButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(FButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // Up and Down in the search box move in the list, so the keyboard never leaves it.
    FSearch->installEventFilter(this);
}

bool TFrmFolderPicker::eventFilter(QObject* Watched, QEvent* Event)
{
    if (Watched == FSearch && Event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(Event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp
            || key == Qt::Key_PageDown) {
            QKeyEvent copy(QEvent::KeyPress, key, static_cast<QKeyEvent*>(Event)->modifiers());
            QCoreApplication::sendEvent(FList, &copy);
            return true;
        }
    }
    return QDialog::eventFilter(Watched, Event);
}

void TFrmFolderPicker::SetFolders(const QStringList& Folders, const QString& Current)
{
    FFolders = Folders;
    FSearch->clear();
    Narrow();
    for (int i = 0; i < FList->count(); ++i)
        if (!FList->item(i)->data(NewRole).toBool()
            && FList->item(i)->data(PathRole).toString() == Current)
            FList->setCurrentRow(i);
}

void TFrmFolderPicker::Narrow()
{
    const QStringList words = FSearch->text().split(u' ', Qt::SkipEmptyParts);
    const QString typed = FolderPathOfInput(FSearch->text());
    FList->clear();
    const auto add = [&](const QString& Text, const QString& Path, bool New) {
        auto* item = new QListWidgetItem(Text, FList);
        item->setData(PathRole, Path);
        item->setData(NewRole, New);
    };
    if (words.isEmpty())
        add(tr("(No folder)"), QString(), false);
    bool exact = false;
    for (const QString& path : std::as_const(FFolders)) {
        const bool all = std::all_of(words.begin(), words.end(), [&](const QString& w) {
            return path.contains(w, Qt::CaseInsensitive);
        });
        if (!all)
            continue;
        add(path, path, false);
        exact = exact || path == typed;
    }
    if (!typed.isEmpty() && !exact)
        add(tr("New folder: %1").arg(typed), typed, true);
    FList->setCurrentRow(0);
    FButtons->button(QDialogButtonBox::Ok)->setEnabled(Chosen().has_value());
}

std::optional<QString> TFrmFolderPicker::Chosen() const
{
    const QListWidgetItem* item = FList->currentItem();
    if (!item)
        return std::nullopt;
    return item->data(PathRole).toString();
}

std::optional<QString> TFrmFolderPicker::Execute(const QStringList& Folders, const QString& Current)
{
    SetFolders(Folders, Current);
    FSearch->setFocus();
    if (exec() != QDialog::Accepted)
        return std::nullopt;
    return Chosen();
}
