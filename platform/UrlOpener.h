#pragma once
#include <QString>
#include <QUrl>

namespace qn {

// Opens pages in the user's browser and mail links in the mail program.
namespace UrlOpener {
// Opens a text as a URL; a text that is not a valid absolute URL opens nothing.
// Returns whether something was handed to the desktop.
bool open(const QString &text);
// For addresses that come from the network: only http and https open.
bool openWebPage(const QString &text);
// A web page address we may open: valid, absolute, http or https, with a host.
bool isWebPage(const QUrl &url);
} // namespace UrlOpener

} // namespace qn
