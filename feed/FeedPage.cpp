#include "feed/FeedPage.h"

#include <QCryptographicHash>
#include <QFile>

namespace {

QByteArray Resource(const char *name)
{
    QFile file(QStringLiteral(":/feed/") + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray Hash(const QByteArray &text)
{
    return "'sha256-" + QCryptographicHash::hash(text, QCryptographicHash::Sha256).toBase64() + "'";
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

const std::string &FeedPagePolicy()
{
    static const std::string policy = [] {
        const QByteArray style = Resource("display.css");
        const QByteArray script = Resource("display.js");
        return ("default-src 'none'; style-src " + Hash(style) + "; script-src " + Hash(script)
                + "; img-src data:; connect-src 'self'; base-uri 'none'; form-action 'none'; frame-ancestors 'none'")
            .toStdString();
    }();
    return policy;
}
