#include "jobs/file_list.h"

#include <algorithm>
#include <utility>

#include "jobs/file_paths.h"

namespace tintwell {

std::string_view FileRecord::BaseName() const {
    return BaseNamePart(path);
}

int FileList::InsertPosition(std::string_view baseName) const {
    int position = 0;
    while (position < Count() && CompareBaseNames(baseName, records_[position].BaseName()) >= 0) {
        ++position;
    }
    return position;
}

int FileList::InsertFileRecord(FileRecord record) {
    const int position = InsertPosition(BaseNamePart(record.path));
    records_.insert(records_.begin() + position, std::move(record));
    return position;
}

bool FileList::ContainsBaseName(std::string_view baseName) const {
    for (const FileRecord& record : records_) {
        if (CompareBaseNames(record.BaseName(), baseName) == 0) return true;
    }
    return false;
}

void FileList::RemoveAt(int position) {
    records_.erase(records_.begin() + position);
}

bool FileList::MixesFormats() const {
    const auto isFormat = [](ImageFormat format) {
        return [format](const FileRecord& record) { return record.fileFormat == format; };
    };
    return std::ranges::any_of(records_, isFormat(ImageFormat::Bmp)) &&
           std::ranges::any_of(records_, isFormat(ImageFormat::Png));
}

std::string FileList::RowText(int position) const {
    const std::string& path = records_[position].path;
    std::string text(BaseNamePart(path));
    if (MixesFormats()) text += ExtensionPart(path);
    return text;
}

std::vector<std::string> FileList::Paths() const {
    std::vector<std::string> paths;
    paths.reserve(records_.size());
    for (const FileRecord& record : records_)
        paths.push_back(record.path);
    return paths;
}

}  // namespace tintwell
