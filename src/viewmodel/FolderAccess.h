#pragma once
// Remembering a roll folder and holding access to it. A desktop that sandboxes
// file access would grant it here; PlainFolderAccess (the Linux one) keeps the
// plain path as the bookmark and grants everything.
#include <filesystem>
#include <optional>

#include <QByteArray>

namespace vantrel {

struct ResolvedBookmark {
    std::filesystem::path location;
    bool isStale = false;  // resolved, but should be made afresh and stored again
};

class FolderAccess {
public:
    virtual ~FolderAccess() = default;

    // Whether access was granted (and must later be ended with stopAccessing).
    virtual bool startAccessing(const std::filesystem::path& folder) = 0;
    virtual void stopAccessing(const std::filesystem::path& folder) = 0;

    virtual std::optional<QByteArray> makeBookmark(const std::filesystem::path& folder) = 0;
    virtual std::optional<ResolvedBookmark> resolveBookmark(const QByteArray& bookmark) = 0;
};

class PlainFolderAccess final : public FolderAccess {
public:
    bool startAccessing(const std::filesystem::path&) override { return true; }
    void stopAccessing(const std::filesystem::path&) override {}
    std::optional<QByteArray> makeBookmark(const std::filesystem::path& folder) override;
    std::optional<ResolvedBookmark> resolveBookmark(const QByteArray& bookmark) override;
};

}  // namespace vantrel
