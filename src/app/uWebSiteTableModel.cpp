#include "uWebSiteTableModel.h"

#include "uTexts.h"

#include <QLocale>

#include <model/uWebSiteList.h>
#include <model/uWebSiteTags.h>

namespace {

QString LinkStatusText(TLinkStatus Status)
{
    switch (Status) {
    case TLinkStatus::Ok:
        return Text(TText::LinkOk);
    case TLinkStatus::Moved:
        return Text(TText::LinkMoved);
    case TLinkStatus::Gone:
        return Text(TText::LinkGone);
    case TLinkStatus::ServerError:
        return Text(TText::LinkServerError);
    case TLinkStatus::Blocked:
        return Text(TText::LinkBlocked);
    case TLinkStatus::Unreachable:
        return Text(TText::LinkUnreachable);
    case TLinkStatus::Parked:
        return Text(TText::LinkParked);
    case TLinkStatus::None:
        break;
    }
    return {};
}

// The verdict's details: the HTTP status, when it was checked, where it leads.
QString LinkStatusTip(const TWebSiteExtrasData& X)
{
    if (X.LinkStatus == TLinkStatus::None)
        return {};
    QString tip = LinkStatusText(X.LinkStatus) + u'\n'
                  + Text(TText::LinkCheckedTip)
                        .arg(X.LinkHttp)
                        .arg(QLocale().toString(X.LinkChecked.ToQDateTime(), QLocale::ShortFormat));
    if (!X.LinkFinalUrl.isEmpty())
        tip += u'\n'
               + Text(X.LinkStatus == TLinkStatus::Moved ? TText::LinkNewAddressTip
                                                         : TText::LinkEndedAtTip)
                     .arg(X.LinkFinalUrl);
    return tip;
}

} // namespace

TWebSiteTableModel::TWebSiteTableModel(TWebSiteList& List, QObject* Parent)
    : QAbstractTableModel(Parent),
      FList(List), FHeaders{QStringLiteral("Title"),    QStringLiteral("URL"),
                            QStringLiteral("Category"), QStringLiteral("Comment"),
                            QStringLiteral("Tags"),     QStringLiteral("Link")}
{
}

int TWebSiteTableModel::rowCount(const QModelIndex& Parent) const
{
    return Parent.isValid() ? 0 : FRowCount;
}

int TWebSiteTableModel::columnCount(const QModelIndex& Parent) const
{
    return Parent.isValid() ? 0 : ColumnCount;
}

QVariant TWebSiteTableModel::data(const QModelIndex& Index, int Role) const
{
    if (!Index.isValid() || Index.row() >= FRowCount || Index.column() < 0
        || Index.column() >= ColumnCount)
        return {};
    const bool Decoration = Role == Qt::DecorationRole && Index.column() == 0;
    if (Role != Qt::DisplayRole && Role != Qt::ToolTipRole && !Decoration)
        return {};
    const int Row = Index.row();
    if (Row >= FList.Count() || !FList.at(Row).Visible)
        return Decoration ? QVariant() : QVariant(QString());
    const TWebSite& Site = FList.at(Row);
    if (Decoration)
        return FFavicons.Icon(Site.IconId);
    switch (Index.column()) {
    case 0:
        return Site.Title.toString();
    case 1:
        return Site.URL.toString();
    case 2:
        return Site.Category.toString();
    case 3:
        return Site.Comment.toString();
    case 4:
        return WebSiteTagsText(Site);
    default:
        return Role == Qt::ToolTipRole ? LinkStatusTip(*Site.Extras)
                                       : LinkStatusText(Site.Extras->LinkStatus);
    }
}

QVariant TWebSiteTableModel::headerData(int Section, Qt::Orientation Orientation, int Role) const
{
    if (Orientation == Qt::Horizontal && Role == Qt::DisplayRole && Section >= 0
        && Section < ColumnCount)
        return FHeaders.at(Section);
    return QAbstractTableModel::headerData(Section, Orientation, Role);
}

bool TWebSiteTableModel::setHeaderData(int Section, Qt::Orientation Orientation,
                                       const QVariant& Value, int Role)
{
    if (Orientation != Qt::Horizontal || Section < 0 || Section >= ColumnCount
        || (Role != Qt::EditRole && Role != Qt::DisplayRole))
        return false;
    FHeaders[Section] = Value.toString();
    Q_EMIT headerDataChanged(Orientation, Section, Section);
    return true;
}

void TWebSiteTableModel::SetRowCount(int Count)
{
    Count = qMax(0, Count);
    if (Count > FRowCount) {
        beginInsertRows({}, FRowCount, Count - 1);
        FRowCount = Count;
        endInsertRows();
    } else if (Count < FRowCount) {
        beginRemoveRows({}, Count, FRowCount - 1);
        FRowCount = Count;
        endRemoveRows();
    }
    RowsChanged();
}

void TWebSiteTableModel::RowsChanged()
{
    if (FRowCount > 0)
        Q_EMIT dataChanged(index(0, 0), index(FRowCount - 1, ColumnCount - 1),
                           {Qt::DisplayRole, Qt::DecorationRole});
}
