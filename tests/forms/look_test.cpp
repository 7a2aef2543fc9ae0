// Colours measured on the drawn pixels while the application's palette changes under the
// running windows, as a desktop does when the user switches between a light and a dark scheme.
#include <QImage>
#include <QPalette>

#include <algorithm>
#include <cmath>
#include <map>

#include "forms/look.h"
#include "tests/forms/window_fixture.h"

namespace {

QPalette DarkPalette() {
    QPalette dark;
    const QColor face(0x35, 0x35, 0x35);
    for (const auto role : {QPalette::Window, QPalette::Button, QPalette::Base,
                            QPalette::AlternateBase, QPalette::Mid, QPalette::Dark}) {
        dark.setColor(role, face);
    }
    dark.setColor(QPalette::Light, face.lighter(150));
    for (const auto role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::BrightText}) {
        dark.setColor(role, Qt::white);
    }
    return dark;
}

// The contrast of a text drawn in a region: its background is the region's most frequent
// colour, its text the colour that stands out most from that (the middle of a stroke).
double TextContrast(const QImage& image, const QRect& region) {
    std::map<QRgb, int> counts;
    for (int y = region.top(); y <= region.bottom(); ++y) {
        for (int x = region.left(); x <= region.right(); ++x) ++counts[image.pixel(x, y)];
    }
    const auto background =
        std::max_element(counts.begin(), counts.end(), [](const auto& a, const auto& b) {
            return a.second < b.second;
        })->first;
    double best = 1.0;
    for (const auto& entry : counts) {
        best = std::max(best, ContrastRatio(QColor(entry.first), QColor(background)));
    }
    return best;
}

// Every fixed-colour text of both windows at 4.5:1 or more after each switch, both ways; back
// on a light scheme, the arrows stand on the page itself again.
TEST_F(WindowTest, TextsStayReadableWhenTheSchemeChangesWhileRunning) {
    TAboutBox about(form.get());
    form->Edit11->setText(QStringLiteral("12345"));
    QTest::keyClick(form->Edit11, Qt::Key_Return);
    ASSERT_EQ(Str(form->Label5->text()), "12345");
    const QPalette light = QApplication::palette();
    struct Step {
        const char* scheme;
        QPalette palette;
    };
    const Step steps[] = {{"dark", DarkPalette()}, {"light", light}, {"dark again", DarkPalette()}};
    for (const Step& step : steps) {
        QApplication::setPalette(step.palette);
        QApplication::processEvents();
        const QImage window = form->grab().toImage();
        const QImage dialog = about.grab().toImage();
        const std::pair<const QImage*, QWidget*> texts[] = {
            {&window, form->Label3},  {&window, form->Label5},      {&window, form->Edit11},
            {&window, form->Label16}, {&window, form->label1},      {&dialog, about.Label2},
            {&dialog, about.Version}, {&dialog, about.ProductName},
        };
        for (const auto& [image, widget] : texts) {
            const QWidget* top = widget->window();
            const QRect region(widget->mapTo(top, QPoint(0, 0)), widget->size());
            // The input field's frame is left out.
            const int inset = widget == form->Edit11 ? 3 : 0;
            EXPECT_GE(TextContrast(*image, region.adjusted(inset, inset, -inset, -inset)), 4.5)
                << step.scheme << ": " << Str(widget->objectName());
        }
        const bool isLight = step.palette.color(QPalette::Window) == light.color(QPalette::Window);
        EXPECT_EQ(form->Label3->autoFillBackground(), !isLight) << step.scheme;
        EXPECT_EQ(about.Label2->autoFillBackground(), !isLight) << step.scheme;
    }
    QApplication::setPalette(light);
}

} // namespace
