#include "HeadlessBrowser.h"

#include "feed/FeedServer.h"
#include "feed/FeedToken.h"

#include <QColor>
#include <QImage>

#include <gtest/gtest.h>

#include <cstdio>

namespace {

using namespace std::chrono;

// Screenshots land beside the test program, to look at.
const std::filesystem::path kScreens = "browser-screens";

FeedSnapshot Hall(std::int32_t count, std::int32_t capacity)
{
    return {count, capacity, OccupancyStateOf(count, capacity, 80), system_clock::now(), {}, false, false, {}, {}};
}

// The visible screen's lines, one per line.
const QString kLines = "(function () { var screen = document.querySelector('.screen:not([hidden])');"
                       " return screen ? Array.from(screen.querySelectorAll('p:not([hidden])'))"
                       ".map(function (line) { return line.textContent; }).join('\\n') : ''; })()";

QString Shows(const QString &text)
{
    return kLines + ".indexOf('" + text + "') >= 0";
}

// Every line of the visible screen inside the viewport, on one line.
const QString kFits = R"((function () {
  var fits = document.documentElement.scrollWidth <= innerWidth && document.documentElement.scrollHeight <= innerHeight;
  document.querySelectorAll('.screen:not([hidden]) p:not([hidden])').forEach(function (line) {
    var box = line.getBoundingClientRect();
    fits = fits && box.left >= 0 && box.right <= innerWidth && box.top >= 0 && box.bottom <= innerHeight
           && box.height < parseFloat(getComputedStyle(line).fontSize) * 2;
  });
  return fits;
})())";

QColor Pixel(const std::filesystem::path &file, double x, double y)
{
    const QImage image(QString::fromStdString(file.string()));
    return image.pixelColor(static_cast<int>(x * (image.width() - 1)), static_cast<int>(y * (image.height() - 1)));
}

TEST(LiveDisplayPage, ShowsTheDisplaysScreensAtEverySizeAndFollowsEachChange)
{
    FeedServer server;
    FeedServerConfig config;
    config.token = MakeFeedToken();
    std::string error;
    ASSERT_TRUE(server.Start(config, error)) << error;
    config.port = server.Port();
    HeadlessBrowser browser;
    if (!browser.Trouble().empty())
        GTEST_SKIP() << "No browser for the live display's page: " << browser.Trouble();
    std::filesystem::create_directories(kScreens);
    // The page carries the key on to its event stream, or it shows nothing.
    const std::string url = "http://127.0.0.1:" + std::to_string(config.port) + "/?token=" + config.token;

    for (const auto &[width, height] : {std::pair{1920, 1080}, {800, 1280}}) {
        const std::string size = std::to_string(width) + "x" + std::to_string(height);
        SCOPED_TRACE(size);
        const auto shot = [&](const char *screen) { return kScreens / (screen + ("-" + size + ".png")); };
        server.Publish(Hall(2, 5));
        ASSERT_TRUE(browser.Open(url, width, height));
        ASSERT_TRUE(browser.WaitUntil(Shows("Herzlich Willkommen!\\nSie sind der 3.\\nBesucher von 5 in der Halle.")))
            << browser.Evaluate(kLines);
        EXPECT_EQ(browser.Evaluate(kFits), "true");
        ASSERT_TRUE(browser.Screenshot(shot("welcome")));
        EXPECT_EQ(Pixel(shot("welcome"), 0, 0), QColor(Qt::black));

        // Each change followed without a reload.
        const auto published = steady_clock::now();
        server.Publish(Hall(4, 5));
        ASSERT_TRUE(browser.WaitUntil(Shows("Sie sind der 5.\\nBesucher von 5 in der Halle.\\nNoch 1 Platz frei.")));
        std::printf("%s: the page showed the change %.1f ms after it was published\n", size.c_str(),
                    duration<double, std::milli>(steady_clock::now() - published).count());
        EXPECT_EQ(browser.Evaluate(kFits), "true");
        ASSERT_TRUE(browser.Screenshot(shot("amber")));
        const QColor amber = Pixel(shot("amber"), 0, 0); // edge to edge
        EXPECT_TRUE(amber.red() > 230 && amber.green() > 140 && amber.green() < 200 && amber.blue() < 40)
            << amber.name().toStdString();
        server.Publish(Hall(8, 10));
        ASSERT_TRUE(browser.WaitUntil(Shows("Noch 2 Plätze frei.")));
        server.Publish(Hall(99'998, 99'999)); // the longest lines there are
        ASSERT_TRUE(browser.WaitUntil(Shows("Sie sind der 99999.\\nBesucher von 99999 in der Halle.")));
        EXPECT_EQ(browser.Evaluate(kFits), "true");

        server.Publish(Hall(5, 5));
        ASSERT_TRUE(browser.WaitUntil(Shows("Max. 5")));
        EXPECT_EQ(browser.Evaluate(kFits), "true");
        ASSERT_TRUE(browser.Screenshot(shot("stop")));
        EXPECT_EQ(Pixel(shot("stop"), 0, 0), QColor(Qt::black));
        const QColor sign = Pixel(shot("stop"), 0.5, 0.2);
        EXPECT_TRUE(sign.red() > 180 && sign.green() < 80 && sign.blue() < 80) << sign.name().toStdString();
    }
    // The program gone, said plainly; back on its port, found again.
    server.Stop();
    ASSERT_TRUE(browser.WaitUntil(Shows("Verbindung unterbrochen")));
    ASSERT_TRUE(browser.Screenshot(kScreens / "lost-800x1280.png"));
    ASSERT_TRUE(server.Start(config, error)) << error;
    server.Publish(Hall(0, 5));
    EXPECT_TRUE(browser.WaitUntil(Shows("Sie sind der 1.")));
}

} // namespace
