#include "uWebSiteTableModel.h"

#include "uTranslations.h"

#include <QCoreApplication>
#include <QLocale>

#include <model/uWebSiteList.h>
#include <model/uWebSiteTags.h>

namespace {

QString LinkStatusText(TLinkStatus Status)
{
    switch (Status) {
    case TLinkStatus::Ok:
        return QCoreApplication::translate("TWebSiteTableModel", "OK");
    case TLinkStatus::Moved:
        return QCoreApplication::translate("TWebSiteTableModel", "Moved");
    case TLinkStatus::Gone:
        return QCoreApplication::translate("TWebSiteTableModel", "Gone");
    case TLinkStatus::ServerError:
        return QCoreApplication::translate("TWebSiteTableModel", "Server error");
    case TLinkStatus::Blocked:
        return QCoreApplication::translate("TWebSiteTableModel", "Blocked");
    case TLinkStatus::Unreachable:
        return QCoreApplication::translate("TWebSiteTableModel", "Unreachable");
    case TLinkStatus::Parked:
        return QCoreApplication::translate("TWebSiteTableModel", "Parked");
    case TLinkStatus::SoftGone:
        return QCoreApplication::translate("TWebSiteTableModel", "Page gone");
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
                  + QCoreApplication::translate("TWebSiteTableModel", "HTTP %1, checked %2")
                        .arg(X.LinkHttp)
                        .arg(QLocale().toString(X.LinkChecked.ToQDateTime(), QLocale::ShortFormat));
    if (!X.LinkFinalUrl.isEmpty())
        tip += u'\n'
               + (X.LinkStatus == TLinkStatus::Moved
                      ? QCoreApplication::translate("TWebSiteTableModel", "New address: %1")
                      : QCoreApplication::translate("TWebSiteTableModel", "Ended at: %1"))
                     .arg(X.LinkFinalUrl);
    if (!X.LinkDetail.isEmpty())
        tip +=
            u'\n' + QCoreApplication::translate("TWebSiteTableModel", "Why: %1").arg(X.LinkDetail);
    if (X.LinkFailures > 1 && X.LinkFailingSince != TDateTime())
        tip +=
            u'\n'
            + QCoreApplication::translate("TWebSiteTableModel",
                                          "Failed %1 checks in a row, since %2")
                  .arg(X.LinkFailures)
                  .arg(QLocale().toString(X.LinkFailingSince.ToQDateTime(), QLocale::ShortFormat));
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
