#include "forms/radio_group.h"

#include <QEvent>
#include <QFontMetrics>
#include <QKeyEvent>

#include "forms/hints.h"

std::vector<QRect> RadioItemGeometry(QSize group, int lineHeight, int count, int columns) {
    std::vector<QRect> rects;
    if (count <= 0 || columns <= 0) return rects;
    const int rows = (count + columns - 1) / columns;
    const int columnWidth = (group.width() - 10) / columns;
    const int rowSpace = group.height() - lineHeight - 5;
    const int rowHeight = rowSpace / rows;
    const int firstTop = lineHeight + 1 + (rowSpace % rows) / 2;
    rects.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const int column = i / rows;
        const int row = i % rows;
        rects.emplace_back(8 + columnWidth * column, firstTop + rowHeight * row, columnWidth,
                           rowHeight);
    }
    return rects;
}

RadioGroup::RadioGroup(const QString& caption, int columns, QWidget* parent)
    : QGroupBox(caption, parent), columns_(columns) {
    buttons_.setExclusive(true);
    connect(&buttons_, &QButtonGroup::idToggled, this, &RadioGroup::OnToggled);
}

void RadioGroup::SetItems(const QStringList& captions) {
    building_ = true;
    for (QRadioButton* item : items_) {
        buttons_.removeButton(item);
        delete item;
    }
    items_.clear();
    for (int i = 0; i < captions.size(); ++i) {
        auto* item = new QRadioButton(captions[i], this);
        item->installEventFilter(this);
        ShareHint(item);
        buttons_.addButton(item, i);
        items_.push_back(item);
    }
    if (!items_.empty()) items_.front()->setChecked(true);
    PlaceItems();
    UpdateTabStops();
    building_ = false;
}

int RadioGroup::ItemIndex() const {
    return buttons_.checkedId();
}

void RadioGroup::resizeEvent(QResizeEvent* event) {
    QGroupBox::resizeEvent(event);
    PlaceItems();
}

void RadioGroup::changeEvent(QEvent* event) {
    QGroupBox::changeEvent(event);
    if (event->type() == QEvent::FontChange) PlaceItems();
    if (event->type() == QEvent::ToolTipChange) {
        for (QRadioButton* item : items_) ShareHint(item);
    }
}

void RadioGroup::ShareHint(QRadioButton* item) const {
    // Every item carries the group's hint as its own: moving from one item to the next then
    // shows the same hint again for the new item. Shown for the group alone, the toolkit would
    // let the hint that is showing run out when the pointer leaves the first item.
    SetHint(item, toolTip());
}

void RadioGroup::PlaceItems() {
    const int lineHeight = QFontMetrics(font()).height();
    const auto rects = RadioItemGeometry(size(), lineHeight, Count(), columns_);
    for (std::size_t i = 0; i < rects.size(); ++i) items_[i]->setGeometry(rects[i]);
}

void RadioGroup::UpdateTabStops() {
    // Tab and Shift+Tab stop on the selected item alone, from the first showing on and in both
    // directions; the others still take the focus from the mouse and the arrow keys.
    const int selected = ItemIndex();
    for (int i = 0; i < Count(); ++i) {
        Item(i)->setFocusPolicy(i == selected ? Qt::StrongFocus : Qt::ClickFocus);
    }
}

void RadioGroup::OnToggled(int /*id*/, bool checked) {
    if (checked) UpdateTabStops();
    // Only the item that becomes selected reports; building and a handler still running
    // report nothing.
    if (!checked || building_ || inClick_) return;
    inClick_ = true;
    emit Click();
    inClick_ = false;
}

bool RadioGroup::eventFilter(QObject* watched, QEvent* event) {
    // Arrow keys move through the items in list order, wrapping at both ends, whatever the
    // columns; the item reached becomes the selected one, as a click on it would.
    if (event->type() != QEvent::KeyPress) return QGroupBox::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    int step = 0;
    switch (key->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
        step = -1;
        break;
    case Qt::Key_Right:
    case Qt::Key_Down:
        step = 1;
        break;
    default:
        return QGroupBox::eventFilter(watched, event);
    }
    const int count = Count();
    int at = 0;
    while (at < count && items_[static_cast<std::size_t>(at)] != watched) ++at;
    if (at == count || count == 0) return false;
    QRadioButton* next = Item((at + step + count) % count);
    next->setFocus(Qt::OtherFocusReason);
    next->setChecked(true);
    return true;
}
