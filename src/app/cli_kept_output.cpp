#include "app/cli_kept_output.h"

#include <filesystem>
#include <system_error>

#include "jobs/file_paths.h"
#include "jobs/native_file.h"

namespace tintwell::cli {

KeptOutput KeptOutputAt(const std::string& path) {
    switch (native::KindOf(PathFromUtf8(path))) {
        case native::EntryKind::Directory:
            return {Status::Failed, path + ": is a folder, not written"};
        case native::EntryKind::Other:
            return {Status::Failed, FormatMessage(Msg::CannotCreate, path)};
        case native::EntryKind::Missing:
        case native::EntryKind::Regular:
            break;
    }
    return {Status::Exists, path + ": exists, left alone (use -f to overwrite)"};
}

bool PathTaken(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(PathFromUtf8(path), ec));
}

}  // namespace tintwell::cli
