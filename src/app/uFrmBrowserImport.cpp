// The browser import dialog. Profiles with bookmarks start checked; one that could
// not be read shows why and cannot be checked.

#include "uFrmBrowserImport.h"
#include "uTexts.h"
#include "uWindowHelpers.h"

#include <QDir>
#include <QLocale>

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

TFrmBrowserImport::TFrmBrowserImport(const QList<TBrowserProfile>& Profiles, QWidget* Parent)
    : QDialog(Parent), FProfiles(Profiles)
{
    setObjectName(u"FrmBrowserImport"_s);
    setWindowTitle(Text(TText::BrowserImportDialogTitle));
    // Like the other dialogs: a close box only. It stays resizable, as the list of
    // profiles may be long.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint);
    setFont(WindowFont(11));

    FIntro = new QLabel(Text(TText::BrowserImportIntro), this);
    FIntro->setWordWrap(true);

    FProfileList = new QTreeWidget(this);
    FProfileList->setObjectName(u"profileList"_s);
    FProfileList->setAccessibleName(Text(TText::BrowserImportListName));
    FProfileList->setRootIsDecorated(false);
    FProfileList->setHeaderLabels({Text(TText::BrowserImportColumnBrowser),
                                   Text(TText::BrowserImportColumnProfile),
                                   Text(TText::BrowserImportColumnBookmarks)});
    FProfileList->header()->setStretchLastSection(false);
    FProfileList->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    FProfileList->header()->setSectionResizeMode(1, QHeaderView::Stretch);
    FProfileList->header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    for (const TBrowserProfile& p : FProfiles) {
        auto* item = new QTreeWidgetItem(FProfileList);
        item->setText(0, p.Browser);
        item->setText(1, p.Profile);
        item->setToolTip(1, QDir::toNativeSeparators(p.FileName));
        if (p.Count >= 0) {
            item->setText(2, QLocale().toString(p.Count));
            item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
            item->setCheckState(0, p.Count > 0 ? Qt::Checked : Qt::Unchecked);
        } else {
            item->setText(2, Text(TText::BrowserImportUnreadable));
            item->setToolTip(2, p.Error);
            item->setFlags(Qt::ItemIsSelectable);
            item->setCheckState(0, Qt::Unchecked);
        }
    }
    connect(FProfileList, &QTreeWidget::itemChanged, this, [this] { UpdateImportButton(); });

    FButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    FButtons->button(QDialogButtonBox::Ok)->setText(Text(TText::BrowserImportOk));
    FButtons->button(QDialogButtonBox::Cancel)->setText(Text(TText::CancelButton));
    connect(FButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(FButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(FIntro);
    layout->addWidget(FProfileList, 1);
    layout->addWidget(FButtons);
    resize(520, 340);
    // The keyboard starts on the first profile: Space checks or unchecks it.
    if (FProfileList->topLevelItemCount() > 0)
        FProfileList->setCurrentItem(FProfileList->topLevelItem(0));
    FProfileList->setFocus();
    UpdateImportButton();
}

QStringList TFrmBrowserImport::CheckedFiles() const
{
    QStringList files;
    for (int i = 0; i < FProfileList->topLevelItemCount(); ++i)
        if (FProfileList->topLevelItem(i)->checkState(0) == Qt::Checked)
            files.append(FProfiles[i].FileName);
    return files;
}

void TFrmBrowserImport::SetChecked(int Row, bool Checked)
{
    QTreeWidgetItem* item = FProfileList->topLevelItem(Row);
    if (item && (item->flags() & Qt::ItemIsUserCheckable))
        item->setCheckState(0, Checked ? Qt::Checked : Qt::Unchecked);
}

void TFrmBrowserImport::UpdateImportButton()
{
    FButtons->button(QDialogButtonBox::Ok)->setEnabled(!CheckedFiles().isEmpty());
}
