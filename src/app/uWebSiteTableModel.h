#pragma once
// The list view's model: a virtual table over the bookmark list. Row i is entry i
// of the list (the visible entries are sorted to the front), the row count is the
// length of that visible run, and a row's texts are read from the entry only when
// the view asks for them. No per-row objects exist. The Title column carries the
// entry's favicon, decoded when its row is painted.

#include "uFaviconCache.h"

#include <QAbstractTableModel>
#include <QStringList>

class TWebSiteList;

class TWebSiteTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    // Title, URL, Category, Comment, and the last link check's verdict.
    static constexpr int ColumnCount = 6;

    explicit TWebSiteTableModel(TWebSiteList& List, QObject* Parent = nullptr);

    int rowCount(const QModelIndex& Parent = {}) const override;
    int columnCount(const QModelIndex& Parent = {}) const override;
    QVariant data(const QModelIndex& Index, int Role = Qt::DisplayRole) const override;
    QVariant headerData(int Section, Qt::Orientation Orientation,
                        int Role = Qt::DisplayRole) const override;
    bool setHeaderData(int Section, Qt::Orientation Orientation, const QVariant& Value,
                       int Role = Qt::EditRole) override;

    // Sets the row count, growing or shrinking at the end so that the view keeps the
    // selection of the rows that stay; every remaining row is repainted.
    void SetRowCount(int Count);
    // The entries behind the rows changed (a sort): repaint without touching the count.
    void RowsChanged();

private:
    TWebSiteList& FList;
    int FRowCount = 0;
    QStringList FHeaders;
    mutable TFaviconCache FFavicons;
};
