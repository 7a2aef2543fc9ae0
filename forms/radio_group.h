// A captioned group of radio items placed in columns, which reports a click only when the
// user makes an item that was not selected the selected one.
#pragma once

#include <QButtonGroup>
#include <QGroupBox>
#include <QRadioButton>
#include <QRect>
#include <QSize>
#include <QStringList>

#include <vector>

// Where the items of a group go: `count` items in `columns` columns, filled column by column;
// `lineHeight` is the line height of the group's font.
std::vector<QRect> RadioItemGeometry(QSize group, int lineHeight, int count, int columns);

class RadioGroup : public QGroupBox {
    Q_OBJECT
public:
    RadioGroup(const QString& caption, int columns, QWidget* parent);

    // Replaces the items; item 0 is selected and no click is reported.
    void SetItems(const QStringList& captions);

    int ItemIndex() const;
    int Count() const { return static_cast<int>(items_.size()); }
    QRadioButton* Item(int index) const { return items_.at(static_cast<std::size_t>(index)); }

signals:
    // The user selected an item that was not selected; ItemIndex() is already the new one.
    void Click();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void PlaceItems();
    void ShareHint(QRadioButton* item) const;
    void UpdateTabStops();
    void OnToggled(int id, bool checked);

    int columns_;
    QButtonGroup buttons_;
    std::vector<QRadioButton*> items_;
    bool building_ = false;
    bool inClick_ = false;
};
