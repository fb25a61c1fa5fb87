#include "jobs/scan_file.h"

#include "jobs/file_io.h"
#include "jobs/file_paths.h"

namespace tintwell {

// Runs on a worker: touches no Workspace state.
FileScan ScanFile(const std::string& path, const TrueColorRule& rule) {
    InputFile file(PathFromUtf8(path));
    FileScan scan;
    if (!file.IsOpen()) {
        scan.error = Msg::CannotOpen;
        return scan;
    }
    static_cast<BitmapScan&>(scan) = ScanBitmap(file.Stream(), rule);
    scan.fingerprint = file.Fingerprint();
    return scan;
}

}  // namespace tintwell
