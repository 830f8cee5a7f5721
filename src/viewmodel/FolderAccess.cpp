#include "viewmodel/FolderAccess.h"

#include <string>

namespace vantrel {

std::optional<QByteArray> PlainFolderAccess::makeBookmark(const std::filesystem::path& folder) {
    if (folder.empty()) return std::nullopt;
    const std::u8string text = folder.u8string();
    return QByteArray(reinterpret_cast<const char*>(text.data()), qsizetype(text.size()));
}

std::optional<ResolvedBookmark> PlainFolderAccess::resolveBookmark(const QByteArray& bookmark) {
    if (bookmark.isEmpty()) return std::nullopt;
    const std::u8string text(reinterpret_cast<const char8_t*>(bookmark.constData()), std::size_t(bookmark.size()));
    return ResolvedBookmark{std::filesystem::path(text), false};
}

}  // namespace vantrel
