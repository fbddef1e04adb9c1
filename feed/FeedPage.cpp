#include "feed/FeedPage.h"

#include <QFile>

namespace {

QByteArray Resource(const char *name)
{
    QFile file(QStringLiteral(":/feed/") + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

const std::string &FeedPageHtml()
{
    static const std::string page = [] {
        QByteArray html = Resource("index.html");
        html.replace("/*display.css*/", Resource("display.css"));
        html.replace("/*display.js*/", Resource("display.js"));
        html.replace("\"stop_sign.svg\"", "\"data:image/svg+xml;base64," + Resource("stop_sign.svg").toBase64() + "\"");
        return html.toStdString();
    }();
    return page;
}
