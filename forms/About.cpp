#include "forms/About.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QWindow>

#include "forms/frame.h"
#include "forms/glyphs.h"
#include "forms/look.h"
#include "forms/placement.h"
#include "product/product.h"

TAboutBox* AboutBox = nullptr;

namespace {

// The window that owns the About dialog once it is made on first use.
QPointer<QWidget>& AboutBoxOwner() {
    static QPointer<QWidget> owner;
    return owner;
}

// A label that sizes itself to its text, at its designed top-left corner.
QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, QPoint at) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->move(at);
    label->adjustSize();
    return label;
}

} // namespace

void BevelPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPalette& colours = palette();
    const QRect outer = rect().adjusted(0, 0, -1, -1);
    const QRect inner = outer.adjusted(1, 1, -1, -1);
    auto bevel = [&painter](const QRect& r, const QColor& topLeft, const QColor& bottomRight) {
        painter.setPen(topLeft);
        painter.drawLine(r.topLeft(), r.topRight());
        painter.drawLine(r.topLeft(), r.bottomLeft());
        painter.setPen(bottomRight);
        painter.drawLine(r.bottomLeft(), r.bottomRight());
        painter.drawLine(r.topRight(), r.bottomRight());
    };
    bevel(outer, colours.color(QPalette::Dark), colours.color(QPalette::Light));
    bevel(inner, colours.color(QPalette::Light), colours.color(QPalette::Dark));
}

GlyphButton::GlyphButton(const QString& caption, const QPixmap& glyphStrip, QWidget* parent)
    : QPushButton(caption, parent), enabled_(glyphStrip.copy(0, 0, 18, 18)),
      disabled_(glyphStrip.copy(18, 0, 18, 18)) {
    setIcon(QIcon(enabled_));
}

void GlyphButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    option.icon = QIcon();
    painter.drawControl(QStyle::CE_PushButtonBevel, option);
    const QPixmap& glyph = isEnabled() ? enabled_ : disabled_;
    const int glyphLeft = 2;
    painter.drawPixmap(glyphLeft, (height() - glyph.height()) / 2, glyph);
    const QRect captionArea(glyphLeft + glyph.width(), 0, width() - glyphLeft - glyph.width(),
                            height());
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    painter.drawText(captionArea, Qt::AlignCenter, text());
}

TAboutBox::TAboutBox(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("バージョン情報"));
    setFont(SystemFont(13));
    setFixedSize(413, 370);
    // The window icon is the application's, set once for every window at start-up.
    move(331, 138);

    Panel1 = new BevelPanel(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(11, 11, 389, 310);

    ProgramIcon = new QLabel(Panel1);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setGeometry(11, 11, 90, 79);
    ProgramIcon->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ProgramIcon->setPixmap(ApplicationIconPixmap());

    ProductName = MakeLabel(Panel1, "ProductName", QStringLiteral("ルナミカ 99年版"), {122, 22});
    Version =
        MakeLabel(Panel1, "Version",
                  QStringLiteral("Version : ") + QString::fromUtf8(product::kVersion), {122, 55});
    Copyright =
        MakeLabel(Panel1, "Copyright", QString::fromUtf8(product::kCopyrightLine), {11, 111});
    Comments = MakeLabel(Panel1, "Comments", QString(), {27, 192});
    Comments->setWordWrap(true);
    Comments->setFixedWidth(336);

    Label2 = MakeLabel(Panel1, "Label2", QStringLiteral("(mail@example.com)"), {128, 136});
    Label2->setFont(SystemFont(19));
    // Black text: straight on the panel where its face is light, else on white.
    KeepBlackTextReadable(Label2, QPalette::Window, QPalette::Window, BackgroundFill::WhenWhite);
    Label2->adjustSize();

    OKButton = new GlyphButton(QStringLiteral("OK"), OkGlyphStrip(), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(154, 326, 106, 38);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(FrameChanges(), &FrameChangeNotifier::FrameChanged, this, &TAboutBox::OnFrameChanged);
}

void MakeAboutBoxOnFirstUse(QWidget* owner) {
    AboutBoxOwner() = owner;
}

TAboutBox* AboutBoxToShow() {
    if (AboutBox == nullptr && AboutBoxOwner() != nullptr) {
        auto* made = new TAboutBox(AboutBoxOwner());
        AboutBox = made;
        // Gone with its owner: nothing may show it after that.
        QObject::connect(made, &QObject::destroyed, [made] {
            if (AboutBox == made) AboutBox = nullptr;
        });
    }
    return AboutBox;
}

int TAboutBox::ShowModal() {
    PlaceBeforeShowing();
    // The window that was active, and the control in it that had the focus, get both back
    // when the dialog closes, also where no window manager hands the activation back.
    const QPointer<QWidget> before = QApplication::activeWindow();
    const QPointer<QWidget> focus = before ? before->focusWidget() : nullptr;
    OKButton->setFocus(Qt::OtherFocusReason);
    setWindowModality(Qt::ApplicationModal);
    const int result = exec();
    const QWidget* active = QApplication::activeWindow();
    if (before && before != this && before->isVisible() && (active == nullptr || active == this)) {
        before->activateWindow();
        if (focus) focus->setFocus(Qt::ActiveWindowFocusReason);
    }
    return result;
}

void TAboutBox::PlaceBeforeShowing() {
    // Where the platform keeps the position from the window, the dialog goes where it is put.
    if (!WindowPositionIsVisible()) return;
    if (leftAt_) {
        // Where it was left, placed by the program: some managers move a dialog that is shown
        // again by the height of its title bar each time.
        PlaceOuterAt(*leftAt_, leftFrame_);
        return;
    }
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (primary == nullptr) return;
    QRect mainMonitor;
    if (parentWidget() != nullptr && parentWidget()->screen() != nullptr) {
        mainMonitor = parentWidget()->screen()->geometry();
    } else if (const QWidget* main = QApplication::activeWindow()) {
        mainMonitor = main->screen()->geometry();
    }
    // The manager says which frame it will put around the dialog; without an answer the frame
    // is learnt once the dialog is framed, and the centring is done again then.
    const std::optional<QMargins> asked = AwaitFrame(this);
    const QMargins frame = asked.value_or(KnownFrameMargins(this));
    firstPlacement_ = [this, primary = primary->geometry(), mainMonitor](QMargins frame) {
        PlaceOuterAt(DialogFirstPosition(primary, mainMonitor, size().grownBy(frame)), frame);
    };
    firstPlacement_(frame);
    assumedFrame_ = frame;
    if (asked) firstPlacement_ = nullptr;
}

void TAboutBox::PlaceOuterAt(QPoint outer, const QMargins& frame) {
    // The client rectangle inside the outer one: the toolkit asks the manager to keep it there.
    setGeometry(QRect(outer + QPoint(frame.left(), frame.top()), size()));
}

void TAboutBox::OnFrameChanged(QWindow* window) {
    if (window != windowHandle() || !firstPlacement_ || !isVisible()) return;
    const QMargins frame = KnownFrameMargins(this);
    if (frame != assumedFrame_) firstPlacement_(frame);
    firstPlacement_ = nullptr;
}

void TAboutBox::setVisible(bool visible) {
    // The outer position as the dialog is closed, read while it is still mapped (a manager
    // may move a window that it lets go of): the next opening starts from it.
    if (!visible && isVisible() && WindowPositionIsVisible()) {
        // Kept with the frame: a hidden window's frame is forgotten by the toolkit.
        leftFrame_ = KnownFrameMargins(this);
        const QPoint client = ClientPositionNow(this).value_or(geometry().topLeft());
        leftAt_ = client - QPoint(leftFrame_.left(), leftFrame_.top());
    }
    if (!visible) firstPlacement_ = nullptr;
    QDialog::setVisible(visible);
}

void TAboutBox::keyPressEvent(QKeyEvent* event) {
    // Escape does not close the dialog.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
