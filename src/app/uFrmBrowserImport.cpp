// The browser import dialog. Profiles with bookmarks start checked; one that could
// not be read shows why and cannot be checked. One still being counted starts
// checked too, as most profiles hold bookmarks; if it turns out empty or unreadable
// and the user has not touched its check, the check goes.

#include "uFrmBrowserImport.h"
#include "uTranslations.h"
#include "uWindowHelpers.h"

#include <QDir>
#include <QLocale>

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QThread>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

bool IsCounted(const TBrowserProfile& P)
{
    return P.Count >= 0 || !P.Error.isEmpty();
}

} // namespace

TFrmBrowserImport::TFrmBrowserImport(const QList<TBrowserProfile>& Profiles, QWidget* Parent,
                                     TCountFn CountFn)
    : QDialog(Parent), FProfiles(Profiles)
{
    setObjectName(u"FrmBrowserImport"_s);
    setWindowTitle(tr("Import from browsers"));
    // Like the other dialogs: a close box only. It stays resizable, as the list of
    // profiles may be long.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint);
    setFont(WindowFont(11));

    FIntro = new QLabel(
        tr("Bookmarks of the browsers on this computer. Check the profiles to import:"), this);
    FIntro->setWordWrap(true);

    FProfileList = new QTreeWidget(this);
    FProfileList->setObjectName(u"profileList"_s);
    FProfileList->setAccessibleName(tr("Browser profiles"));
    FProfileList->setRootIsDecorated(false);
    FProfileList->setHeaderLabels({tr("Browser"), tr("Profile"), tr("Bookmarks")});
    FProfileList->header()->setStretchLastSection(false);
    FProfileList->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    FProfileList->header()->setSectionResizeMode(1, QHeaderView::Stretch);
    FProfileList->header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    FFilling = true;
    for (int Row = 0; Row < FProfiles.size(); ++Row) {
        const TBrowserProfile& p = FProfiles[Row];
        auto* item = new QTreeWidgetItem(FProfileList);
        item->setText(0, p.Browser);
        item->setText(1, p.Profile);
        item->setToolTip(1, QDir::toNativeSeparators(p.FileName));
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(0, Qt::Checked);
        if (IsCounted(p))
            ShowCount(Row);
        else {
            item->setText(2, tr("counting…"));
            ++FPending;
        }
    }
    FFilling = false;
    connect(FProfileList, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* Item) {
        if (!FFilling)
            FTouched.insert(FProfileList->indexOfTopLevelItem(Item));
        UpdateImportButton();
    });

    FButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    FButtons->button(QDialogButtonBox::Ok)->setText(tr("Import"));
    FButtons->button(QDialogButtonBox::Cancel)->setText(tr("Cancel"));
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
    if (FPending > 0)
        StartCounting(std::move(CountFn));
}

TFrmBrowserImport::~TFrmBrowserImport()
{
    // A count that comes in now is dropped with the dialog: Qt discards the queued
    // calls of an object that is gone. The file being read is read to its end.
    if (FCounter) {
        FStop = true;
        FCounter->wait();
        delete FCounter;
    }
}

void TFrmBrowserImport::StartCounting(TCountFn CountFn)
{
    if (!CountFn)
        CountFn = BrowserProfileCountBookmarks;
    connect(this, &TFrmBrowserImport::ProfileCounted, this, &TFrmBrowserImport::onProfileCounted,
            Qt::QueuedConnection);
    // The thread gets its own copies; it touches nothing of the dialog but the stop
    // flag and the signal, which is safe from any thread.
    FCounter = QThread::create([this, Profiles = FProfiles, CountFn = std::move(CountFn)] {
        for (int Row = 0; Row < Profiles.size(); ++Row) {
            if (FStop)
                return;
            if (IsCounted(Profiles[Row]))
                continue;
            TBrowserProfile P = Profiles[Row];
            try {
                CountFn(P);
            } catch (const std::exception& e) {
                P.Count = -1;
                P.Error = QString::fromLocal8Bit(e.what());
            }
            Q_EMIT ProfileCounted(Row, P.Count, P.Error);
        }
    });
    FCounter->setObjectName(u"BrowserProfileCount"_s);
    FCounter->start(QThread::LowPriority);
}

void TFrmBrowserImport::onProfileCounted(int Row, int Count, const QString& Error)
{
    if (Row < 0 || Row >= FProfiles.size() || IsCounted(FProfiles[Row]))
        return;
    FProfiles[Row].Count = Count;
    FProfiles[Row].Error = Error;
    // A reader that gave neither a count nor a reason: unreadable all the same.
    if (Count < 0 && Error.isEmpty())
        FProfiles[Row].Error = tr("cannot be read");
    ShowCount(Row);
    if (--FPending == 0)
        Q_EMIT CountsFinished();
}

void TFrmBrowserImport::ShowCount(int Row)
{
    const TBrowserProfile& p = FProfiles[Row];
    QTreeWidgetItem* item = FProfileList->topLevelItem(Row);
    const bool WasFilling = FFilling;
    FFilling = true;
    if (p.Count >= 0) {
        item->setText(2, QLocale().toString(p.Count));
        item->setToolTip(2, QString());
        if (p.Count == 0 && !FTouched.contains(Row))
            item->setCheckState(0, Qt::Unchecked);
    } else {
        item->setText(2, tr("cannot be read"));
        item->setToolTip(2, p.Error);
        item->setFlags(Qt::ItemIsSelectable);
        item->setCheckState(0, Qt::Unchecked);
    }
    FFilling = WasFilling;
    if (FButtons) // not yet while the constructor fills the list
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
