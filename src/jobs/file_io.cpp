#include "jobs/file_io.h"

#include <optional>
#include <streambuf>
#include <system_error>

namespace tintwell {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kStreamBuffer = 1 << 18;

// An output stream buffer over a native file, flushed in large blocks so row-sized writes
// do not turn into one system call each. A failed write makes the stream bad.
class TempFileBuf final : public std::streambuf {
  public:
    explicit TempFileBuf(native::TempFile& file)
        : file_(file), buffer_(std::make_unique_for_overwrite<char[]>(kStreamBuffer)) {
        setp(buffer_.get(), buffer_.get() + kStreamBuffer);
    }

  protected:
    int_type overflow(int_type ch) override {
        if (!Drain()) return traits_type::eof();
        if (!traits_type::eq_int_type(ch, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(ch);
            pbump(1);
        }
        return traits_type::not_eof(ch);
    }

    std::streamsize xsputn(const char* data, std::streamsize size) override {
        // Blocks larger than the buffer go straight to the file.
        if (size >= static_cast<std::streamsize>(kStreamBuffer)) {
            if (!Drain() || !file_.Write(data, static_cast<std::size_t>(size))) return 0;
            return size;
        }
        return std::streambuf::xsputn(data, size);
    }

    int sync() override { return Drain() ? 0 : -1; }

  private:
    bool Drain() {
        const auto pending = static_cast<std::size_t>(pptr() - pbase());
        setp(buffer_.get(), buffer_.get() + kStreamBuffer);
        return pending == 0 || file_.Write(buffer_.get(), pending);
    }

    native::TempFile& file_;
    std::unique_ptr<char[]> buffer_;
};

}  // namespace

InputFile::InputFile(const fs::path& path) : buffer_(path), stream_(&buffer_) {}

namespace {

// Where writing to `path` lands: the path itself or, for a link, the path its chain of
// links ends at (a relative link read from the link's folder), which need not exist yet.
// Nothing for a chain that does not end.
std::optional<fs::path> FollowLinks(fs::path path) {
    constexpr int kMaxLinks = 40;  // as the systems' own limit on nested links
    for (int link = 0; link < kMaxLinks; ++link) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(path, ec))) return path;
        const fs::path to = fs::read_symlink(path, ec);
        if (ec) return std::nullopt;
        path = to.is_absolute() ? to : path.parent_path() / to;
    }
    return std::nullopt;
}

}  // namespace

std::unique_ptr<OutputFile> OutputFile::Create(const fs::path& target) {
    // A link at the target is written through, as opening it for writing would: the file
    // it points to is replaced, or made when it is missing, and the link stays. The link
    // itself is never replaced; when its target's folder is missing nothing can be made.
    const std::optional<fs::path> followed = FollowLinks(target);
    if (!followed) return nullptr;
    fs::path resolved = *followed;
    switch (native::KindOf(resolved)) {
        case native::EntryKind::Missing:
            break;
        case native::EntryKind::Regular:
            // Renaming needs only the folder to be writable; a file this user may not write
            // to (read-only, say) is not replaced behind its owner's back.
            if (!native::MayWrite(resolved)) return nullptr;
            break;
        case native::EntryKind::Directory:
        case native::EntryKind::Other:
            // A folder cannot be replaced by a file, and a pipe or a device is not ours to
            // replace.
            return nullptr;
    }
    auto file = native::TempFile::Create(resolved.parent_path());
    if (!file) return nullptr;
    return std::unique_ptr<OutputFile>(new OutputFile(std::move(resolved), std::move(file)));
}

OutputFile::OutputFile(fs::path target, std::unique_ptr<native::TempFile> file)
    : target_(std::move(target)), file_(std::move(file)) {}

OutputFile::~OutputFile() = default;

Msg OutputFile::Write(const std::function<Msg(std::ostream&)>& write, bool durable) {
    if (written_) return Msg::WriteError;
    written_ = true;
    TempFileBuf buffer(*file_);
    std::ostream out(&buffer);
    Msg result = write(out);
    out.flush();
    if (result == Msg::None && !out) result = Msg::WriteError;
    if (result == Msg::None && durable) return MakeDurable();
    if (result != Msg::None) file_.reset();
    return result;
}

Msg OutputFile::MakeDurable() {
    if (!written_ || !file_) return Msg::WriteError;
    if (file_->Finish()) return Msg::None;
    file_.reset();
    return Msg::WriteError;
}

native::CommitResult OutputFile::Commit(bool replace) {
    if (!written_ || !file_) return native::CommitResult::Failed;
    const native::CommitResult result = file_->Commit(target_, replace);
    // After Exists the finished file is kept, so the caller may still replace.
    if (result != native::CommitResult::Exists) file_.reset();
    return result;
}

Msg WriteFileAtomically(const fs::path& target, const std::function<Msg(std::ostream&)>& write,
                        bool replace) {
    const auto file = OutputFile::Create(target);
    if (!file) return Msg::CannotCreate;
    if (const Msg written = file->Write(write); written != Msg::None) return written;
    return file->Commit(replace) == native::CommitResult::Committed ? Msg::None : Msg::CannotCreate;
}

}  // namespace tintwell
