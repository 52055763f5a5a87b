#include <app/uFrmDuplicates.h>

#include <app/uTranslations.h>
#include <app/uWindowHelpers.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QCoreApplication>
#include <QFont>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QProxyStyle>
#include <QPushButton>
#include <QStyleFactory>
#include <QStyleOptionViewItem>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

// The groups as a two-level tree: a row per group (its check box: merge it), under
// it a row per member (its check box: the entry that stays, exactly one per group).
// Virtual, like the main list: a million entries make no per-row objects.
class TDuplicateGroupsModel : public QAbstractItemModel
{
public:
    enum
    {
        ColumnTitle,
        ColumnURL,
        ColumnCategory,
        ColumnDate,
        ColumnCount
    };

    using QAbstractItemModel::QAbstractItemModel;

    void SetGroups(const TWebSiteList* List, std::vector<TDuplicateGroup> Groups)
    {
        beginResetModel();
        FList = List;
        FGroups = std::move(Groups);
        FChecked.assign(FGroups.size(), false);
        FCheckedCount = 0;
        FKept.assign(FGroups.size(), 0);
        for (size_t g = 0; g < FGroups.size(); ++g) {
            const TDuplicateGroup& Group = FGroups[g];
            const qsizetype Earliest = WebSitesEarliestOf(*FList, Group);
            FKept[g] = int(std::find(Group.begin(), Group.end(), Earliest) - Group.begin());
        }
        endResetModel();
    }

    void Clear() { SetGroups(nullptr, {}); }

    // The locale's short date and time with the year in full: the placeholder
    // dates of old files (1965, 1970) must not read as 2065 or 2070.
    void SetDateFormat()
    {
        FDateFormat = QLocale().dateTimeFormat(QLocale::ShortFormat);
        if (!FDateFormat.contains(QStringLiteral("yyyy")))
            FDateFormat.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    }

    const QString& DateFormat() const { return FDateFormat; }
    int GroupCount() const { return int(FGroups.size()); }
    qsizetype EntryCount() const
    {
        qsizetype n = 0;
        for (const TDuplicateGroup& Group : FGroups)
            n += qsizetype(Group.size());
        return n;
    }
    int CheckedCount() const { return FCheckedCount; }

    std::vector<TDuplicateMerge> Merges(bool CheckedOnly) const
    {
        std::vector<TDuplicateMerge> Out;
        for (size_t g = 0; g < FGroups.size(); ++g)
            if (!CheckedOnly || FChecked[g])
                Out.push_back({FGroups[g], FGroups[g][size_t(FKept[g])]});
        return Out;
    }

    void SetHeaders(const std::array<QString, ColumnCount>& Headers)
    {
        FHeaders = Headers;
        Q_EMIT headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
    }

    // ---- QAbstractItemModel.
    QModelIndex index(int Row, int Column, const QModelIndex& Parent = {}) const override
    {
        if (Row < 0 || Column < 0 || Column >= ColumnCount)
            return {};
        if (!Parent.isValid())
            return Row < GroupCount() ? createIndex(Row, Column, quintptr(0)) : QModelIndex();
        if (!IsGroup(Parent) || Row >= int(FGroups[size_t(Parent.row())].size()))
            return {};
        return createIndex(Row, Column, quintptr(Parent.row()) + 1);
    }

    QModelIndex parent(const QModelIndex& Child) const override
    {
        if (!Child.isValid() || IsGroup(Child))
            return {};
        return createIndex(int(Child.internalId() - 1), 0, quintptr(0));
    }

    int rowCount(const QModelIndex& Parent = {}) const override
    {
        if (!Parent.isValid())
            return GroupCount();
        return IsGroup(Parent) && Parent.column() == 0 ? int(FGroups[size_t(Parent.row())].size())
                                                       : 0;
    }

    int columnCount(const QModelIndex& = {}) const override { return ColumnCount; }

    Qt::ItemFlags flags(const QModelIndex& Index) const override
    {
        if (!Index.isValid())
            return Qt::NoItemFlags;
        Qt::ItemFlags Flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        if (Index.column() == 0)
            Flags |= Qt::ItemIsUserCheckable;
        return Flags;
    }

    QVariant data(const QModelIndex& Index, int Role) const override
    {
        if (!Index.isValid() || !FList)
            return {};
        if (IsGroup(Index)) {
            const size_t g = size_t(Index.row());
            const TDuplicateGroup& Group = FGroups[g];
            switch (Role) {
            case Qt::DisplayRole:
                if (Index.column() == ColumnTitle)
                    return QCoreApplication::translate("TDuplicateGroupsModel", "%1 entries")
                        .arg(Group.size());
                // The address that stays, so that a folded group still says what it is.
                if (Index.column() == ColumnURL)
                    return FList->at(Group[size_t(FKept[g])]).URL.toString();
                return {};
            case Qt::CheckStateRole:
                if (Index.column() == 0)
                    return FChecked[g] ? Qt::Checked : Qt::Unchecked;
                return {};
            case Qt::ToolTipRole:
            case Qt::AccessibleDescriptionRole:
                if (Index.column() == 0)
                    return QCoreApplication::translate("TDuplicateGroupsModel", "Merge this group");
                return {};
            default:
                return {};
            }
        }
        const size_t g = size_t(Index.internalId() - 1);
        const bool Kept = FKept[g] == Index.row();
        const TWebSite& Site = FList->at(FGroups[g][size_t(Index.row())]);
        switch (Role) {
        case Qt::DisplayRole:
            switch (Index.column()) {
            case ColumnTitle:
                return Site.Title.toString();
            case ColumnURL:
                return Site.URL.toString();
            case ColumnCategory:
                return Site.Category.toString();
            default:
                return QLocale().toString(Site.AddDate.ToQDateTime(), FDateFormat);
            }
        case Qt::ToolTipRole:
            if (Index.column() == 0)
                return QCoreApplication::translate("TDuplicateGroupsModel", "The entry that stays");
            return Index.column() == ColumnURL ? QVariant(Site.URL.toString()) : QVariant();
        case Qt::AccessibleDescriptionRole:
            return Index.column() == 0 ? QCoreApplication::translate("TDuplicateGroupsModel",
                                                                     "The entry that stays")
                                       : QVariant();
        case Qt::CheckStateRole:
            if (Index.column() == 0)
                return Kept ? Qt::Checked : Qt::Unchecked;
            return {};
        case Qt::FontRole:
            if (Kept) {
                QFont Bold;
                Bold.setBold(true);
                return Bold;
            }
            return {};
        default:
            return {};
        }
    }

    bool setData(const QModelIndex& Index, const QVariant& Value, int Role) override
    {
        if (!Index.isValid() || Role != Qt::CheckStateRole || Index.column() != 0 || !FList)
            return false;
        const bool Check = Value.value<Qt::CheckState>() == Qt::Checked;
        if (IsGroup(Index)) {
            SetChecked(size_t(Index.row()), Check);
            return true;
        }
        // One member always stays: ticking another moves the mark, unticking the
        // kept one changes nothing. Picking what stays means merging the group.
        if (!Check)
            return false;
        const size_t g = size_t(Index.internalId() - 1);
        if (FKept[g] != Index.row()) {
            FKept[g] = Index.row();
            const QModelIndex Group = createIndex(int(g), 0, quintptr(0));
            Q_EMIT dataChanged(index(0, 0, Group),
                               index(rowCount(Group) - 1, ColumnCount - 1, Group));
        }
        SetChecked(g, true);
        return true;
    }

    QVariant headerData(int Section, Qt::Orientation Orientation, int Role) const override
    {
        if (Orientation == Qt::Horizontal && Role == Qt::DisplayRole && Section >= 0
            && Section < ColumnCount)
            return FHeaders[size_t(Section)];
        return {};
    }

private:
    static bool IsGroup(const QModelIndex& Index) { return Index.internalId() == 0; }

    void SetChecked(size_t g, bool Check)
    {
        if (FChecked[g] != Check) {
            FChecked[g] = Check;
            FCheckedCount += Check ? 1 : -1;
        }
        // The kept address is shown on the group's row, so the whole row changes.
        Q_EMIT dataChanged(createIndex(int(g), 0, quintptr(0)),
                           createIndex(int(g), ColumnCount - 1, quintptr(0)));
    }

    const TWebSiteList* FList = nullptr;
    std::vector<TDuplicateGroup> FGroups;
    std::vector<bool> FChecked;
    int FCheckedCount = 0;
    // The member that stays, by its place in the group.
    std::vector<int> FKept;
    std::array<QString, ColumnCount> FHeaders;
    QString FDateFormat;
};

namespace {

// Exactly one member of a group stays, so the members' marks are drawn as the
// radio buttons they act as; the groups' own marks stay check boxes.
class TKeptAsRadioStyle : public QProxyStyle
{
public:
    // Over a fresh copy of the program's style (a proxy owns its base).
    TKeptAsRadioStyle() : QProxyStyle(QStyleFactory::create(QApplication::style()->name())) {}

    void drawPrimitive(PrimitiveElement Element, const QStyleOption* Option, QPainter* Painter,
                       const QWidget* Widget) const override
    {
        const auto* Item = qstyleoption_cast<const QStyleOptionViewItem*>(Option);
        if (Element == PE_IndicatorItemViewItemCheck && Item && Item->index.parent().isValid()) {
            QStyleOptionButton Radio;
            Radio.QStyleOption::operator=(*Option);
            Radio.state &= ~(State_On | State_Off | State_NoChange);
            Radio.state |= Item->checkState == Qt::Checked ? State_On : State_Off;
            QProxyStyle::drawPrimitive(PE_IndicatorRadioButton, &Radio, Painter, Widget);
            return;
        }
        QProxyStyle::drawPrimitive(Element, Option, Painter, Widget);
    }
};

} // namespace

TFrmDuplicates::TFrmDuplicates(QWidget* Parent) : QDialog(Parent)
{
    setObjectName(QStringLiteral("FrmDuplicates"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint);
    setFont(WindowFont(11));

    FModel = new TDuplicateGroupsModel(this);
    FExplanation = new QLabel(this);
    FExplanation->setObjectName(QStringLiteral("explanationLabel"));
    FExplanation->setWordWrap(true);
    FSummary = new QLabel(this);
    FSummary->setObjectName(QStringLiteral("summaryLabel"));

    FGroupList = new QTreeView(this);
    FGroupList->setObjectName(QStringLiteral("groupList"));
    FGroupList->setModel(FModel);
    FGroupList->setUniformRowHeights(true);
    FGroupList->setAllColumnsShowFocus(true);
    FGroupList->setAlternatingRowColors(true);
    FGroupList->setSelectionMode(QAbstractItemView::SingleSelection);
    FGroupList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto* KeptStyle = new TKeptAsRadioStyle;
    KeptStyle->setParent(FGroupList);
    FGroupList->setStyle(KeptStyle);
    // The address takes what room there is; the date keeps the width of its text
    // (FitDateColumn), so it is never cut.
    FGroupList->header()->setStretchLastSection(false);
    FGroupList->header()->setSectionResizeMode(TDuplicateGroupsModel::ColumnURL,
                                               QHeaderView::Stretch);
    const int Widths[] = {230, 270, 120};
    for (int c = 0; c < 3; ++c)
        FGroupList->header()->resizeSection(c, Widths[c]);
    FSummary->setBuddy(FGroupList);

    FMergeChecked = new QPushButton(this);
    FMergeChecked->setObjectName(QStringLiteral("mergeCheckedButton"));
    FMergeAll = new QPushButton(this);
    FMergeAll->setObjectName(QStringLiteral("mergeAllButton"));
    FClose = new QPushButton(this);
    FClose->setObjectName(QStringLiteral("closeButton"));
    // Enter in the list must not merge anything: no button is the default.
    for (QPushButton* Button : {FMergeChecked, FMergeAll, FClose}) {
        Button->setAutoDefault(false);
        Button->setDefault(false);
    }

    auto* Buttons = new QHBoxLayout;
    Buttons->addWidget(FMergeChecked);
    Buttons->addWidget(FMergeAll);
    Buttons->addStretch(1);
    Buttons->addWidget(FClose);
    auto* Layout = new QVBoxLayout(this);
    Layout->addWidget(FExplanation);
    Layout->addWidget(FSummary);
    Layout->addWidget(FGroupList, 1);
    Layout->addLayout(Buttons);

    setTabOrder(FGroupList, FMergeChecked);
    setTabOrder(FMergeChecked, FMergeAll);
    setTabOrder(FMergeAll, FClose);

    connect(FMergeChecked, &QPushButton::clicked, this, &TFrmDuplicates::onMergeChecked);
    connect(FMergeAll, &QPushButton::clicked, this, &TFrmDuplicates::onMergeAll);
    connect(FClose, &QPushButton::clicked, this, &QDialog::reject);
    connect(FModel, &QAbstractItemModel::dataChanged, this, &TFrmDuplicates::UpdateButtons);

    resize(760, 440);
    setMinimumSize(520, 300);
    ApplyTexts();
}

TFrmDuplicates::~TFrmDuplicates() = default;

void TFrmDuplicates::ApplyTexts()
{
    ApplyLanguage();
    setWindowTitle(tr("Find duplicates"));
    FExplanation->setText(
        tr("These entries lead to the same page under different addresses. Tick the groups to "
           "merge; in each group the ticked entry stays and the others are merged into it "
           "(comments joined, the earliest date kept)."));
    FGroupList->setAccessibleName(tr("Groups of duplicates"));
    FGroupList->setAccessibleDescription(
        tr("These entries lead to the same page under different addresses. Tick the groups to "
           "merge; in each group the ticked entry stays and the others are merged into it "
           "(comments joined, the earliest date kept)."));
    FModel->SetDateFormat();
    FitDateColumn();
    FModel->SetHeaders({tr("Title"), tr("URL"), tr("Category"), tr("Added")});
    FMergeChecked->setText(tr("&Merge checked"));
    FMergeAll->setText(tr("Merge &all"));
    FClose->setText(tr("Close"));
}

std::vector<TDuplicateMerge> TFrmDuplicates::Execute(const TWebSiteList& List)
{
    // The texts follow the locale of the moment the dialog opens.
    ApplyTexts();
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        struct TRestoreCursor
        {
            ~TRestoreCursor() { QApplication::restoreOverrideCursor(); }
        } Restore;
        FModel->SetGroups(&List, WebSitesFindDuplicates(List));
    }
    const int Groups = FModel->GroupCount();
    FExplanation->setVisible(Groups > 0);
    if (Groups == 0)
        FSummary->setText(tr("No duplicates found."));
    else if (Groups == 1)
        FSummary->setText(tr("1 group of %1 entries").arg(FModel->EntryCount()));
    else
        FSummary->setText(tr("%1 groups, %2 entries in all").arg(Groups).arg(FModel->EntryCount()));
    FGroupList->expandAll();
    if (Groups > 0)
        FGroupList->setCurrentIndex(FModel->index(0, 0));
    FGroupList->scrollToTop();
    FGroupList->setFocus();
    UpdateButtons();

    FMerges.clear();
    CentreOnActiveWindow(this);
    exec();
    // The list is the caller's again once the dialog is closed.
    FModel->Clear();
    return std::move(FMerges);
}

void TFrmDuplicates::FitDateColumn()
{
    // The widest date of the locale's format (two-digit days and hours, a long month
    // name), measured once instead of over every row, plus the cell's margins.
    const QString Widest =
        QLocale().toString(QDateTime(QDate(2020, 9, 28), QTime(22, 58, 58)), FModel->DateFormat());
    const int Margin = FGroupList->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) * 2 + 12;
    const int DateWidth = FGroupList->fontMetrics().horizontalAdvance(Widest) + Margin;
    const int TitleWidth = FGroupList->fontMetrics().horizontalAdvance(tr("Added")) + 2 * Margin;
    FGroupList->header()->resizeSection(TDuplicateGroupsModel::ColumnDate,
                                        qMax(DateWidth, TitleWidth));
}

void TFrmDuplicates::UpdateButtons()
{
    FMergeChecked->setEnabled(FModel->CheckedCount() > 0);
    FMergeAll->setEnabled(FModel->GroupCount() > 0);
}

void TFrmDuplicates::onMergeChecked()
{
    FMerges = FModel->Merges(true);
    accept();
}

void TFrmDuplicates::onMergeAll()
{
    FMerges = FModel->Merges(false);
    accept();
}
