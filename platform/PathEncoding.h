#pragma once
#include <QByteArray>

namespace qn {

// Qt reads the folders it is given in the environment (HOME, XDG_CONFIG_HOME, ...) as
// UTF-8 text: a folder whose name is not UTF-8 comes back with its odd bytes replaced,
// which names another folder, so the preferences, the cache and the saves would go
// elsewhere. Each such variable is pointed instead at a link with a UTF-8 name, in a
// private folder of ours, that leads to the very folder the variable named. Must run
// before the application object reads the environment.
class PathEncoding {
public:
    PathEncoding() = delete;

    // Returns how many variables were redirected.
    static int redirectUnreadableFolders();

    // The link folder: "<tmp>/quillnest-<uid>-paths" (tests pass their own).
    static int redirectUnreadableFolders(const QByteArray &linkFolder);

    static bool isUtf8(const QByteArray &bytes);
};

} // namespace qn
