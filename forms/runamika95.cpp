#include "forms/runamika95.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFocusEvent>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMouseEvent>
#include <QMoveEvent>
#include <QPointer>
#include <QResizeEvent>
#include <QScreen>
#include <QStackedWidget>
#include <QTabBar>
#include <QWindow>

#include <limits>
#include <utility>

#include "convert/conversion.h"
#include "convert/units.h"
#include "failure/impossible.h"
#include "forms/About.h"
#include "forms/frame.h"
#include "forms/hints.h"
#include "forms/look.h"
#include "forms/placement.h"
#include "notices/notice.h"
#include "settings/placement_file.h"
#include "settings/settings_location.h"

TForm1* Form1 = nullptr;

namespace {

QString Text(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

void SetBackground(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

// A label whose text colour is fixed gets the background that goes with it, so that it stays
// readable whatever the desktop's colour scheme.
void SetFixedColours(QWidget* widget, const QColor& text, const QColor& background) {
    SetTextColour(widget, text);
    SetBackground(widget, background);
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, QRect bounds) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(bounds);
    return label;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& text, QRect bounds,
                        const QString& hint) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(bounds);
    SetHint(button, hint);
    return button;
}

constexpr std::array kPages{Page::Length, Page::Weight, Page::Volume, Page::Area,
                            Page::Temperature};

// The page that the notebook shows. The notebook holds the five pages and nothing else; any
// other index is a programming error, not a failure to show the user.
Page ShownPage(const QTabWidget* notebook) {
    const int index = notebook->currentIndex();
    if (index < 0 || index >= kPageCount) ImpossibleState("notebook index outside the pages");
    return kPages[static_cast<std::size_t>(index)];
}

// The slot of a page in per-page arrays.
std::size_t PageSlot(Page page) {
    const auto slot = static_cast<std::size_t>(page);
    if (slot >= kPages.size()) ImpossibleState("page outside the five pages");
    return slot;
}

// What the input field holds at start and after Clear or a page change. Nothing at namespace
// scope is built before main: the texts are made where they are used.
constexpr QLatin1String kInitialInput("1");

} // namespace

void InputEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    switch (event->reason()) {
    case Qt::MouseFocusReason:
    case Qt::ActiveWindowFocusReason:
    case Qt::PopupFocusReason:
    // Back from the menu bar: the focus never left for another control.
    case Qt::MenuBarFocusReason:
        break;
    default:
        selectAll();
    }
}

std::string TForm1::DefaultPlacementFile() {
    return PlacementFileFor(QCoreApplication::applicationFilePath().toStdString());
}

TForm1::TForm1(std::string placementFile, QWidget* parent)
    : QMainWindow(parent), placementFile_(std::move(placementFile)) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("ルナミカ99年版"));
    setFont(SystemFont(13));
    BuildControls();
    ConnectHandlers();
    SetOuterSize(outerSize_);
    // The creation handler runs under its own catch: a failure is shown and creation goes on.
    RunGuarded([this] { FormCreate(this); });
}

void TForm1::BuildControls() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("ClientArea"));
    setCentralWidget(client);

    // The unit labels stand on white, so their text is black.
    Label16 = MakeLabel(client, "Label16", QString(), QRect(196, 389, 0, 18));
    SetFixedColours(Label16, Qt::black, Qt::white);
    Label17 = MakeLabel(client, "Label17", QString(), QRect(560, 389, 0, 18));
    SetFixedColours(Label17, Qt::black, Qt::white);
    label1 = MakeLabel(client, "label1", QStringLiteral("変換前"), QRect(24, 360, 48, 18));
    Label2 = MakeLabel(client, "Label2", QStringLiteral("変換後"), QRect(384, 360, 48, 17));

    Label5 = new ResultLabel(client, 19);
    Label5->setObjectName(QStringLiteral("Label5"));
    Label5->setGeometry(388, 385, 164, 25);
    Label5->setFont(SystemFont(19));
    Label5->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Black text on the button face, or on white where the scheme's button face is dark.
    KeepBlackTextReadable(Label5, QPalette::Window, QPalette::Button, BackgroundFill::Always);
    const QString resultHint = QStringLiteral("変換後の数値です。");
    SetHint(Label5, resultHint);
    // A label's accessible name would hide its text (the result): the hint goes into the
    // description.
    Label5->setAccessibleDescription(resultHint);

    Bevel1 = new QFrame(client);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Bevel1->setLineWidth(1);
    Bevel1->setGeometry(387, 384, 166, 25);
    Bevel1->setAttribute(Qt::WA_TransparentForMouseEvents);

    // The input field comes before the notebook in the focus chain.
    Edit11 = new InputEdit(kInitialInput, client);
    Edit11->setObjectName(QStringLiteral("Edit11"));
    Edit11->setGeometry(24, 384, 166, 26);
    Edit11->setFont(SystemFont(19));
    // Black text on the field's own light background, or on white.
    KeepBlackTextReadable(Edit11, QPalette::Base, QPalette::Base, BackgroundFill::ByTheWidget);
    Edit11->setMaxLength(std::numeric_limits<int>::max());
    const QString inputHint = QStringLiteral("ここに変換したい数値を入れてください。");
    SetHint(Edit11, inputHint);
    Edit11->setAccessibleName(inputHint);

    TabbedNotebook1 = new QTabWidget(client);
    TabbedNotebook1->setObjectName(QStringLiteral("TabbedNotebook1"));
    TabbedNotebook1->setGeometry(8, 8, 625, 337);
    TabbedNotebook1->tabBar()->setFont(SystemFont(13));
    TabbedNotebook1->setUsesScrollButtons(false);
    TabbedNotebook1->setDocumentMode(false);
    QLabel* arrows[5];
    for (Page page : kPages) {
        const auto i = static_cast<std::size_t>(page);
        auto& [from, to] = pageGroups_[i];
        TabbedNotebook1->addTab(BuildPage(page, from, to, arrows[i]), Text(PageCaption(page)));
    }
    RadioGroup1 = pageGroups_[0][0];
    RadioGroup2 = pageGroups_[0][1];
    Label3 = arrows[0];
    RadioGroup3 = pageGroups_[1][0];
    RadioGroup4 = pageGroups_[1][1];
    Label4 = arrows[1];
    RadioGroup5 = pageGroups_[2][0];
    RadioGroup6 = pageGroups_[2][1];
    Label7 = arrows[2];
    RadioGroup7 = pageGroups_[3][0];
    RadioGroup8 = pageGroups_[3][1];
    Label10 = arrows[3];
    RadioGroup9 = pageGroups_[4][0];
    RadioGroup10 = pageGroups_[4][1];
    Label13 = arrows[4];
    for (int i = 1; i < TabbedNotebook1->count(); ++i)
        TabbedNotebook1->widget(i)->setEnabled(false);

    Button11 = MakeButton(client, "Button11", QStringLiteral("計算"), QRect(280, 352, 75, 33),
                          QStringLiteral("「計算」ボタンを押すと変換します。"));
    Button11->setDefault(true);
    Button12 = MakeButton(client, "Button12", QStringLiteral("クリア"), QRect(280, 384, 75, 33),
                          QStringLiteral("「クリア」ボタンを押すと数値を消します。"));
    // Enter presses the focused button; while it is Clear, the default frame leaves Calculate.
    Button12->setAutoDefault(true);

    // The bevel frames the result display and is drawn over it.
    Bevel1->raise();

    MainMenu1 = menuBar();
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    KV1 = MainMenu1->addMenu(QStringLiteral("バージョン情報(&V)"));
    KV1->setObjectName(QStringLiteral("KV1"));
    K1 = KV1->addAction(QStringLiteral("バージョン(&V)"));
    K1->setObjectName(QStringLiteral("K1"));
    N1 = KV1->addSeparator();
    N1->setObjectName(QStringLiteral("N1"));
    e1 = KV1->addAction(QStringLiteral("終了(&E)"));
    e1->setObjectName(QStringLiteral("e1"));

    FocusInput();
}

QWidget* TForm1::BuildPage(Page page, RadioGroup*& from, RadioGroup*& to, QLabel*& arrow) {
    static constexpr const char* kNames[5][3] = {
        {"RadioGroup1", "RadioGroup2", "Label3"},   {"RadioGroup3", "RadioGroup4", "Label4"},
        {"RadioGroup5", "RadioGroup6", "Label7"},   {"RadioGroup7", "RadioGroup8", "Label10"},
        {"RadioGroup9", "RadioGroup10", "Label13"},
    };
    const auto i = static_cast<int>(page);
    auto* sheet = new QWidget;
    sheet->setObjectName(QStringLiteral("Page%1").arg(i));

    QStringList captions;
    for (const UnitRow& row : UnitTable(page)) captions << Text(row.caption);

    const bool temperature = page == Page::Temperature;
    const int columns = temperature ? 1 : 2;
    from = new RadioGroup(QStringLiteral("変換前の単位"), columns, sheet);
    from->setObjectName(QLatin1String(kNames[i][0]));
    from->setGeometry(temperature ? QRect(48, 104, 185, 106) : QRect(8, 16, 256, 281));
    SetHint(from, QStringLiteral("変換前の単位を選択してください。"));
    from->SetItems(captions);

    to = new RadioGroup(QStringLiteral("変換後の単位"), columns, sheet);
    to->setObjectName(QLatin1String(kNames[i][1]));
    const int toWidth = page == Page::Weight ? 265 : 256;
    to->setGeometry(temperature ? QRect(377, 104, 184, 106) : QRect(344, 16, toWidth, 281));
    SetHint(to, QStringLiteral("変換後の単位を選択してください。"));
    to->SetItems(captions);

    arrow = MakeLabel(sheet, kNames[i][2], QStringLiteral("→"), QRect(296, 152, 18, 18));
    arrow->setFont(SystemFont(19, true));
    // A black arrow: straight on the page where its face is light, else on white.
    KeepBlackTextReadable(arrow, QPalette::Window, QPalette::Window, BackgroundFill::WhenWhite);
    arrow->setAlignment(Qt::AlignCenter);
    return sheet;
}

void TForm1::ConnectHandlers() {
    const std::array<std::pair<RadioGroup*, void (TForm1::*)(QObject*)>, 10> groups{{
        {RadioGroup1, &TForm1::RadioGroup1Click},
        {RadioGroup2, &TForm1::RadioGroup2Click},
        {RadioGroup3, &TForm1::RadioGroup3Click},
        {RadioGroup4, &TForm1::RadioGroup4Click},
        {RadioGroup5, &TForm1::RadioGroup5Click},
        {RadioGroup6, &TForm1::RadioGroup6Click},
        {RadioGroup7, &TForm1::RadioGroup7Click},
        {RadioGroup8, &TForm1::RadioGroup8Click},
        {RadioGroup9, &TForm1::RadioGroup9Click},
        {RadioGroup10, &TForm1::RadioGroup10Click},
    }};
    for (const auto& [group, handler] : groups) {
        connect(group, &RadioGroup::Click, this, [this, group = group, handler = handler] {
            RunGuarded([&] { (this->*handler)(group); });
        });
    }
    connect(Button11, &QPushButton::clicked, this,
            [this] { RunGuarded([this] { Button11Click(Button11); }); });
    connect(Button12, &QPushButton::clicked, this,
            [this] { RunGuarded([this] { Button12Click(Button12); }); });
    connect(K1, &QAction::triggered, this, [this] { RunGuarded([this] { K1Click(K1); }); });
    connect(e1, &QAction::triggered, this, [this] { RunGuarded([this] { e1Click(e1); }); });

    // Only the page shown takes focus and clicks.
    connect(TabbedNotebook1, &QTabWidget::currentChanged, this, [this](int current) {
        for (int i = 0; i < TabbedNotebook1->count(); ++i) {
            TabbedNotebook1->widget(i)->setEnabled(i == current);
        }
    });
    TabbedNotebook1->installEventFilter(this);
    TabbedNotebook1->tabBar()->installEventFilter(this);
    Button11->installEventFilter(this);
    Button12->installEventFilter(this);
}

// ---- Handlers ----------------------------------------------------------------------------

void TForm1::RadioGroup1Click(QObject*) {
    SetUnitLabel(Label16, Page::Length, RadioGroup1->ItemIndex());
    ConvertLength();
}
void TForm1::RadioGroup2Click(QObject*) {
    SetUnitLabel(Label17, Page::Length, RadioGroup2->ItemIndex());
    ConvertLength();
}
void TForm1::RadioGroup3Click(QObject*) {
    SetUnitLabel(Label16, Page::Weight, RadioGroup3->ItemIndex());
    ConvertWeight();
}
void TForm1::RadioGroup4Click(QObject*) {
    SetUnitLabel(Label17, Page::Weight, RadioGroup4->ItemIndex());
    ConvertWeight();
}
void TForm1::RadioGroup5Click(QObject*) {
    SetUnitLabel(Label16, Page::Volume, RadioGroup5->ItemIndex());
    ConvertVolume();
}
void TForm1::RadioGroup6Click(QObject*) {
    SetUnitLabel(Label17, Page::Volume, RadioGroup6->ItemIndex());
    ConvertVolume();
}
void TForm1::RadioGroup7Click(QObject*) {
    SetUnitLabel(Label16, Page::Area, RadioGroup7->ItemIndex());
    ConvertArea();
}
void TForm1::RadioGroup8Click(QObject*) {
    SetUnitLabel(Label17, Page::Area, RadioGroup8->ItemIndex());
    ConvertArea();
}
void TForm1::RadioGroup9Click(QObject*) {
    SetUnitLabel(Label16, Page::Temperature, RadioGroup9->ItemIndex());
    ConvertTemperature();
}
void TForm1::RadioGroup10Click(QObject*) {
    SetUnitLabel(Label17, Page::Temperature, RadioGroup10->ItemIndex());
    ConvertTemperature();
}

void TForm1::K1Click(QObject*) {
    if (TAboutBox* about = AboutBoxToShow()) about->ShowModal();
}

void TForm1::FormCreate(QObject*) {
    // Each stored bound replaces its designed value; the position is replaced again by the
    // centring at the first showing.
    const StoredBounds stored = ReadPlacement(placementFile_);
    storedLeft_ = stored.left;
    storedTop_ = stored.top;
    if (stored.left != NotChanged) move(stored.left, y());
    if (stored.top != NotChanged) move(x(), stored.top);
    if (stored.width != NotChanged) SetOuterSize({stored.width, outerSize_.height()});
    if (stored.height != NotChanged) SetOuterSize({outerSize_.width(), stored.height});
    SetUnitLabel(Label16, Page::Length, 0);
    SetUnitLabel(Label17, Page::Length, 0);
}

void TForm1::FormClose(QObject*) {
    const QRect bounds = CurrentBounds();
    PreparePlacementFolder(placementFile_);
    WritePlacement(placementFile_, {bounds.x(), bounds.y(), bounds.width(), bounds.height()});
}

void TForm1::Button12Click(QObject*) {
    ResetInput();
    FocusInput();
}

void TForm1::Button11Click(QObject*) {
    RunConversion(ShownPage(TabbedNotebook1));
}

void TForm1::TabbedNotebook1Click(QObject*) {
    ResetInput();
    // The labels name the units that the page's groups select, so a result never stands
    // beside a unit other than the one it was converted to.
    const Page page = ShownPage(TabbedNotebook1);
    SetUnitLabel(Label16, page, FromGroup(page)->ItemIndex());
    SetUnitLabel(Label17, page, ToGroup(page)->ItemIndex());
    FocusInput();
}

void TForm1::ResetInput() {
    Edit11->setText(kInitialInput);
    Label5->clear();
}

void TForm1::FocusInput() {
    // Selected also when the field already has the focus and so gets no focus event.
    Edit11->setFocus(Qt::OtherFocusReason);
    Edit11->selectAll();
}

void TForm1::e1Click(QObject*) {
    close();
}

// ---- Conversions -------------------------------------------------------------------------

void TForm1::ConvertLength() {
    RunConversion(Page::Length);
}
void TForm1::ConvertWeight() {
    RunConversion(Page::Weight);
}
void TForm1::ConvertVolume() {
    RunConversion(Page::Volume);
}
void TForm1::ConvertArea() {
    RunConversion(Page::Area);
}
void TForm1::ConvertTemperature() {
    RunConversion(Page::Temperature);
}

void TForm1::RunConversion(Page page) {
    const std::string text = Edit11->text().toStdString();
    const auto result =
        Convert(page, FromGroup(page)->ItemIndex(), ToGroup(page)->ItemIndex(), text, state_);
    if (result) Label5->setText(QString::fromStdString(*result));
}

RadioGroup* TForm1::FromGroup(Page page) const {
    return pageGroups_[PageSlot(page)][0];
}

RadioGroup* TForm1::ToGroup(Page page) const {
    return pageGroups_[PageSlot(page)][1];
}

void TForm1::SetUnitLabel(QLabel* label, Page page, int row) {
    const auto table = UnitTable(page);
    if (row < 0 || static_cast<std::size_t>(row) >= table.size()) return;
    SetUnitLabelText(label, Text(table[static_cast<std::size_t>(row)].label));
}

void TForm1::SetUnitLabelText(QLabel* label, const QString& text) {
    // The unit labels size themselves to their text.
    label->setText(text);
    label->resize(label->fontMetrics().horizontalAdvance(text), label->height());
}

// ---- Window ------------------------------------------------------------------------------

void TForm1::SetOuterSize(QSize outer) {
    outerSize_ = outer;
    ApplyOuterSize();
}

void TForm1::ApplyOuterSize() {
    // Never smaller than the frame with its title bar around the whole menu bar (an empty
    // window would never be shown), never larger than the whole virtual desktop (that would
    // only cost time and memory).
    const QSize frame(frame_.left() + frame_.right(), frame_.top() + frame_.bottom());
    const QSize smallest = MainMenu1->sizeHint()
                               .expandedTo(minimumSizeHint())
                               .expandedTo(minimumSize())
                               .expandedTo(QSize(1, 1)) +
                           frame;
    QSize largest = smallest;
    if (const QScreen* primary = QGuiApplication::primaryScreen()) {
        largest = primary->virtualSize().expandedTo(smallest);
    }
    resize(ClampedOuterSize(outerSize_, smallest, largest) - frame);
    appliedSize_ = size();
}

QRect TForm1::OuterRect() {
    QRect outer = geometry().marginsAdded(KnownFrameMargins(this));
    // A window shown before its frame was known was sized for the frame it was then thought to
    // have. Once the manager has framed it, the toolkit knows the new frame at once, but the
    // size is applied for it only from the event loop: until then the window, while it keeps
    // the size it was given, has the outer size it was sized as, so that a close in between
    // does not store it grown by the frame. A size that the user or the manager chose is
    // counted with the frame it has.
    if (SizedForFrameNotYetTakenIn()) outer.setSize(size().grownBy(frame_));
    return outer;
}

bool TForm1::SizedForFrameNotYetTakenIn() const {
    return shown_ && !frameSettled_ && windowState() == Qt::WindowNoState && size() == appliedSize_;
}

void TForm1::PlaceCentred() {
    // The frame is centred on the whole primary screen, never at a negative position. The
    // client rectangle is placed inside it, which holds also while the toolkit does not know
    // the frame yet.
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (primary == nullptr) return;
    centredAt_ = CentredPosition(primary->geometry(), size().grownBy(frame_), true);
    setGeometry(QRect(centredAt_ + QPoint(frame_.left(), frame_.top()), size()));
}

void TForm1::ShowWhenFrameKnown(std::function<void()> shown) {
    // Where nothing can be asked, there is nothing to wait for.
    if (!FrameCanBeAsked()) {
        show();
        if (shown) shown();
        return;
    }
    // The window's frame changes are followed from its first showing on.
    // The answer can come after the window is gone.
    RequestFrame(this, [self = QPointer<TForm1>(this),
                        shown = std::move(shown)](std::optional<QMargins> frame) {
        if (self == nullptr) return;
        TForm1* const form = self;
        form->ShowWithFrame(frame);
        if (shown) shown();
    });
}

void TForm1::ShowWithFrame(std::optional<QMargins> frame) {
    if (frame) {
        frame_ = *frame;
        frameAsked_ = true;
        frameSettled_ = true;
    }
    show();
}

void TForm1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shown_) return;
    shown_ = true;
    connect(FrameChanges(), &FrameChangeNotifier::FrameChanged, this, [this](QWindow* window) {
        if (window == windowHandle()) FrameChanged();
    });
    // The window is not mapped yet. The frame is the one the manager announced, or what the
    // platform knows now; the stored size is the outer one from the first picture on.
    if (!frameAsked_) frame_ = KnownFrameMargins(this);
    ApplyOuterSize();
    PlaceCentred();
}

void TForm1::setVisible(bool visible) {
    const bool first = visible && !isVisible() && !shown_;
    QMainWindow::setVisible(visible);
    if (!first) return;
    // Where the toolkit draws the frame itself (Wayland), it is known only now that the window
    // is shown, and still before its first picture: the outer size is applied again.
    const QMargins now = KnownFrameMargins(this);
    if (now != frame_ && windowState() == Qt::WindowNoState) {
        frame_ = now;
        ApplyOuterSize();
        PlaceCentred();
    }
}

void TForm1::FrameChanged() {
    // The first framing after the first showing: where the frame differs from the one the
    // size was applied with, the stored outer size and the centring are applied again, once.
    // A window that no longer has the size it was given was resized by the user or the manager
    // meanwhile: that size and place stay, and only the new frame is taken in.
    const QMargins now = KnownFrameMargins(this);
    if (windowState() == Qt::WindowNoState) {
        if (SizedForFrameNotYetTakenIn() && now != frame_) {
            frame_ = now;
            ApplyOuterSize();
            PlaceCentred();
        }
        frameSettled_ = shown_;
        frame_ = now;
    }
    NoteBounds();
}

void TForm1::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    NoteBounds();
}

void TForm1::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    NoteBounds();
}

void TForm1::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) NoteBounds();
}

void TForm1::NoteBounds() {
    if (isMinimized()) return;
    unminimisedBounds_ = OuterRect();
    unminimisedMaximised_ = (windowState() & Qt::WindowMaximized) != 0;
}

QRect TForm1::CurrentBounds() {
    // The outer rectangle: normal or maximised as it stands. A minimised window keeps the one
    // it had before it was minimised, maximised or not; what the platform reports for an
    // icon is no place on the screen.
    const QRect outer =
        isMinimized() && unminimisedBounds_.isValid() ? unminimisedBounds_ : OuterRect();
    const bool maximised =
        isMinimized() ? unminimisedMaximised_ : (windowState() & Qt::WindowMaximized) != 0;
    const QScreen* on = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
    const QRect available = on != nullptr ? on->availableGeometry() : QRect();
    const QSize desktop = on != nullptr ? on->virtualSize() : QSize();
    // Where the position cannot be seen, the one that was read stays (or, with none, the
    // centred one the window asked for).
    const QPoint kept(storedLeft_ != NotChanged ? storedLeft_ : centredAt_.x(),
                      storedTop_ != NotChanged ? storedTop_ : centredAt_.y());
    return StoredRectangle(outer, maximised, available, desktop, WindowPositionIsVisible(), kept);
}

void TForm1::closeEvent(QCloseEvent* event) {
    // A placement file that cannot be written costs the window size, not the way out: the
    // notice is shown, and once it is dismissed the window closes all the same.
    RunGuarded([this] { FormClose(this); });
    event->accept();
}

void TForm1::keyPressEvent(QKeyEvent* event) {
    // Enter without Shift, Ctrl or Alt presses the default button from any control that is
    // not a push button (those press themselves).
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const auto modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (enter && modifiers == Qt::NoModifier &&
        qobject_cast<QPushButton*>(QApplication::focusWidget()) == nullptr) {
        Button11->click();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
        if (watched == TabbedNotebook1 || watched == TabbedNotebook1->tabBar()) {
            NotebookMouse(watched, event);
        }
        break;
    case QEvent::Wheel:
        // The wheel does not step pages.
        if (watched == TabbedNotebook1->tabBar()) return true;
        break;
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        if (watched == TabbedNotebook1->tabBar() && NotebookTabKey(key)) return true;
        if (watched == TabbedNotebook1) {
            // Ctrl+Tab and its kin change no page.
            const bool ctrl = key->modifiers() & Qt::ControlModifier;
            switch (key->key()) {
            case Qt::Key_Tab:
            case Qt::Key_Backtab:
            case Qt::Key_PageUp:
            case Qt::Key_PageDown:
                if (ctrl) return true;
                break;
            default:
                break;
            }
        }
        if ((watched == Button11 || watched == Button12) && ButtonKey(watched, key)) return true;
        break;
    }
    case QEvent::FocusIn:
        if (watched == Button12) Button11->setDefault(false);
        break;
    case QEvent::FocusOut:
        if (watched == Button12) Button11->setDefault(true);
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::NotebookMouse(QObject* watched, QEvent* event) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton) return;
    const auto* widget = static_cast<QWidget*>(watched);
    const QPoint at = widget->mapTo(TabbedNotebook1, mouse->position().toPoint());
    QRect pageArea;
    if (const QWidget* sheet = TabbedNotebook1->currentWidget()) {
        pageArea = sheet->parentWidget()->geometry();
    }
    // The notebook's own surface: its tabs, the bare strip beside them and its frame, not
    // the page with its controls.
    const bool onSurface = TabbedNotebook1->rect().contains(at) && !pageArea.contains(at);
    if (event->type() == QEvent::MouseButtonPress) {
        notebookPressed_ = onSurface;
        // Focus leaving a control of the page goes to the notebook before the page changes;
        // a press that changes no page (on the current tab, beside the tabs) moves nothing.
        QTabBar* bar = TabbedNotebook1->tabBar();
        const int tab = watched == bar ? bar->tabAt(mouse->position().toPoint()) : -1;
        const bool changesPage = tab >= 0 && tab != TabbedNotebook1->currentIndex();
        const QWidget* focus = QApplication::focusWidget();
        if (changesPage && focus != nullptr && TabbedNotebook1->isAncestorOf(focus) &&
            focus != bar) {
            TabbedNotebook1->setFocus(Qt::MouseFocusReason);
        }
        return;
    }
    const bool click = notebookPressed_ && onSurface;
    notebookPressed_ = false;
    if (click) RunGuarded([this] { TabbedNotebook1Click(TabbedNotebook1); });
}

bool TForm1::NotebookTabKey(QKeyEvent* key) {
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
        return false;
    }
    const int count = TabbedNotebook1->count();
    TabbedNotebook1->setCurrentIndex((TabbedNotebook1->currentIndex() + step + count) % count);
    RunGuarded([this] { TabbedNotebook1Click(TabbedNotebook1); });
    return true;
}

bool TForm1::ButtonKey(QObject* watched, QKeyEvent* key) {
    const auto modifiers = key->modifiers() & ~Qt::KeypadModifier;
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Shift, Ctrl or Alt with Enter presses nothing.
        return modifiers != Qt::NoModifier;
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Right:
    case Qt::Key_Down: {
        // Arrows on a button move among the window's own controls in tab order, wrapping.
        const std::array<QWidget*, 4> ring{Edit11, TabbedNotebook1, Button11, Button12};
        const int at = watched == Button11 ? 2 : 3;
        const int step = key->key() == Qt::Key_Left || key->key() == Qt::Key_Up ? -1 : 1;
        ring[static_cast<std::size_t>((at + step + 4) % 4)]->setFocus(Qt::TabFocusReason);
        return true;
    }
    default:
        return false;
    }
}
