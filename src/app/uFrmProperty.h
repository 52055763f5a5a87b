#pragma once
// The Property dialog: edits one or many bookmarks at once. Shows the values the
// selected, visible entries share ("(Various Values)" where they differ) and on OK
// writes back only the fields whose check box is ticked.

#include <model/uWebSiteList.h>
#include <model/uWebSitesCommon.h>

#include <QDialog>

#include <functional>
#include <memory>

class QResizeEvent;

namespace Ui {
class TFrmProperty;
}

class TFrmProperty : public QDialog
{
    Q_OBJECT

public:
    explicit TFrmProperty(QWidget* parent = nullptr);
    ~TFrmProperty() override;

    // Shows the dialog modally for the entries of AWebSites that are Selected and
    // Visible; on OK applies the ticked fields to them. True when closed with OK.
    bool Execute(TWebSiteList& AWebSites);

    // Asked on OK when the edited URL is not a web address (it would not open in a
    // browser); true keeps it and closes, false goes back to the dialog. Tests answer it.
    std::function<bool(const QString& URL)> KeepNonWebAddressFn;

protected:
    void resizeEvent(QResizeEvent* Event) override;

private:
    // The captions in the language of the locale.
    void ApplyTexts();
    // Places the fields and buttons for the dialog's size and the caption column.
    void LayOut();
    void ShowWebSite();
    // The entries shown have differing dates (the picker shows FVariousValues).
    bool VariousDates() const;
    // The date-time the picker stands for: its date with the shown entry's time of day.
    TDateTime PickerDateTime() const;

    void onRestore();
    void onOk();
    void onTitleEdited();
    void onUrlEdited();
    void onCategoryEdited();
    void onIconUrlEdited();
    void onDateEdited();
    void onCommentEdited();
    void onTagsEdited();
    // The mark after a tag only some of the entries carry ("(some)").
    static QString SomeMark();
    static QString TagSharesText(const QList<TTagShare>& Shares);
    // The tags as the box now reads, each marked for all or some.
    QList<TTagShare> ShownTagShares() const;
    void onKeywordEdited();

    std::unique_ptr<Ui::TFrmProperty> ui;
    // The values shown; after OK the values applied. Selected: exactly one entry.
    TWebSite FEditedSite;
    // The tags shown: the entry's own, or every tag any of the entries carries.
    QList<TTagShare> FTagShares;
    // The text that stands for differing values while the dialog is open.
    QString FVariousValues;
    // How much wider than designed the caption column is for the face in use.
    int FCaptionExtra = 0;
};
