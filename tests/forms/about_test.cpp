#include <QApplication>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "forms/About.h"
#include "forms/glyphs.h"
#include "product/product.h"

namespace {

std::string Str(const QString& text) {
    return text.toStdString();
}

TEST(AboutBox, LayoutAndTexts) {
    TAboutBox about;
    EXPECT_EQ(Str(about.windowTitle()), "バージョン情報");
    EXPECT_EQ(about.size(), QSize(413, 370));
    EXPECT_EQ(Str(about.ProductName->text()), "ルナミカ 99年版");
    EXPECT_EQ(Str(about.Version->text()), std::string("Version : ") + product::kVersion);
    EXPECT_EQ(Str(about.Copyright->text()), product::kCopyrightLine);
    EXPECT_EQ(Str(about.OKButton->text()), "OK");
    EXPECT_TRUE(about.OKButton->isDefault());
    EXPECT_TRUE(Str(about.Label2->text()).find("@example.com") != std::string::npos);
    EXPECT_EQ(about.Panel1->geometry(), QRect(11, 11, 389, 310));
    EXPECT_EQ(about.OKButton->geometry(), QRect(154, 326, 106, 38));
    EXPECT_EQ(about.ProgramIcon->geometry(), QRect(11, 11, 90, 79));
    EXPECT_EQ(about.ProductName->pos(), QPoint(122, 22));
    EXPECT_EQ(about.Version->pos(), QPoint(122, 55));
    EXPECT_EQ(about.Copyright->pos(), QPoint(11, 111));
    EXPECT_EQ(about.Label2->pos(), QPoint(128, 136));
    // Single lines that fit their designed widths.
    EXPECT_LE(about.Copyright->width(), 293);
    EXPECT_LE(about.Label2->width(), 227);
    EXPECT_EQ(OkGlyphStrip().size(), QSize(36, 18));
    EXPECT_EQ(ApplicationIconPixmap().size(), QSize(32, 32));
    for (const char* name : {"Panel1", "OKButton", "ProgramIcon", "ProductName", "Version",
                             "Copyright", "Comments", "Label2"}) {
        EXPECT_NE(about.findChild<QWidget*>(QLatin1String(name)), nullptr) << name;
    }
}

TEST(AboutBox, TheApplicationIconHasAPictureAtEverySizeItOffers) {
    // The icon is decoded only when a picture is asked for: every size it offers must then
    // give a picture of that size, in the normal and the disabled mode.
    // A copy that is changed gets an engine of its own; it must decode as well.
    const QIcon icon = ApplicationIcon();
    QIcon changedCopy = icon;
    changedCopy.setIsMask(false);
    const QList<QSize> sizes{{16, 16}, {32, 32}, {48, 48}, {64, 64}};
    for (const QIcon& tried : {icon, changedCopy}) {
        ASSERT_FALSE(tried.isNull());
        EXPECT_EQ(tried.availableSizes(), sizes);
        for (const QSize& size : sizes) {
            EXPECT_EQ(tried.actualSize(size), size);
            for (const QIcon::Mode mode : {QIcon::Normal, QIcon::Disabled}) {
                const QPixmap picture = tried.pixmap(size, 1.0, mode);
                EXPECT_FALSE(picture.isNull()) << size.width() << " mode " << mode;
                EXPECT_EQ(picture.size(), size) << size.width() << " mode " << mode;
            }
            // Painted where a widget draws it, it leaves a picture.
            QImage canvas(size, QImage::Format_ARGB32_Premultiplied);
            canvas.fill(Qt::transparent);
            QPainter painter(&canvas);
            tried.paint(&painter, canvas.rect());
            painter.end();
            EXPECT_NE(canvas.pixel(size.width() / 2, size.height() / 2), 0u) << size.width();
        }
    }
}

TEST(AboutBox, CentredAtFirstShowingThenWhereItWasLeft) {
    TAboutBox about;
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QPoint first;
    QTimer::singleShot(0, [&] {
        first = about.pos();
        about.move(first + QPoint(30, 20));
        about.accept();
    });
    about.ShowModal();
    EXPECT_EQ(first, QPoint(std::max(0, (screen.width() - about.frameGeometry().width()) / 2),
                            std::max(0, (screen.height() - about.frameGeometry().height()) / 2)));
    QPoint second;
    QTimer::singleShot(0, [&] {
        second = about.pos();
        about.accept();
    });
    about.ShowModal();
    EXPECT_EQ(second, first + QPoint(30, 20));
}

TEST(AboutBox, EnterClosesEscapeDoesNot) {
    TAboutBox about;
    bool stillOpenAfterEscape = false;
    QTimer::singleShot(0, [&] {
        EXPECT_TRUE(QTest::qWaitForWindowActive(&about));
        EXPECT_TRUE(about.OKButton->hasFocus());
        QWidget* focus = QApplication::focusWidget() ? QApplication::focusWidget() : &about;
        QTest::keyClick(focus, Qt::Key_Escape);
        stillOpenAfterEscape = about.isVisible();
        if (!stillOpenAfterEscape) return;
        QTest::keyClick(about.Comments, Qt::Key_Enter, Qt::KeypadModifier);
    });
    EXPECT_EQ(about.ShowModal(), QDialog::Accepted);
    EXPECT_TRUE(stillOpenAfterEscape);
    EXPECT_FALSE(about.isVisible());
}

} // namespace
