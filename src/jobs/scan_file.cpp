#include "jobs/scan_file.h"

#include "jobs/file_io.h"
#include "jobs/file_paths.h"

namespace tintwell {

BitmapScan ScanFile(const std::string& path) {
    InputFile file(PathFromUtf8(path));
    if (!file.IsOpen()) {
        BitmapScan failed;
        failed.error = Msg::CannotOpen;
        return failed;
    }
    return ScanBitmap(file.Stream());
}

}  // namespace tintwell
