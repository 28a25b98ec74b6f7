// The shared files through FILE_APPEND_DATA, LockFileEx and MoveFileEx.
#include "writer/platform/SharedFiles.h"

#include <windows.h>

#include "writer/common/Text.h"
#include "writer/platform/win32/SystemError.h"

namespace bramblet {
namespace {

std::wstring Wide(const std::string& utf8Name) {
    return Utf8Path(utf8Name).wstring();
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Closes a handle at the end of its scope.
class Handle {
public:
    explicit Handle(HANDLE handle) : handle_(handle) {}
    ~Handle() {
        if (Valid()) CloseHandle(handle_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE Get() const { return handle_; }
    bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    bool Close() {
        const BOOL ok = CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
        return ok != 0;
    }

private:
    HANDLE handle_;
};

// A write cut short sets no error of its own.
DWORD LastErrorOr(DWORD fallback) {
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : fallback;
}

bool WriteAll(HANDLE handle, const std::string& bytes) {
    DWORD written = 0;
    return WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

class Win32AppendFile : public AppendFile {
public:
    Win32AppendFile(HANDLE handle, std::string name) : handle_(handle), name_(std::move(name)) {}

    // A handle with FILE_APPEND_DATA and no FILE_WRITE_DATA writes at the end, each WriteFile
    // whole. Wine finds the end and then writes there, so two writers can take the same end;
    // every writer therefore also holds a lock on a byte far past any data while it appends,
    // which every process honours and no write of data ever touches.
    bool Append(const std::string& line, std::string& error) override {
        OVERLAPPED region{};
        region.Offset = 0xFFFFFFFE;
        region.OffsetHigh = 0x7FFFFFFF;
        if (!LockFileEx(handle_.Get(), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &region)) {
            error = SystemErrorText(name_, GetLastError());
            return false;
        }
        const bool written = WriteAll(handle_.Get(), line);
        const DWORD failure = written ? ERROR_SUCCESS : LastErrorOr(ERROR_WRITE_FAULT);
        UnlockFileEx(handle_.Get(), 0, 1, 0, &region);
        if (written) return true;
        error = SystemErrorText(name_, failure);
        return false;
    }

private:
    Handle handle_;
    std::string name_;
};

}  // namespace

// Every error here is the system's own.
std::unique_ptr<AppendFile> OpenAppendFile(const std::string& utf8Name, std::string& error,
                                           text::Lang) {
    // Reading too: LockFileEx needs it or writing, and writing anywhere is not wanted.
    const HANDLE handle =
        CreateFileW(Wide(utf8Name).c_str(), FILE_APPEND_DATA | FILE_READ_DATA | SYNCHRONIZE,
                    kShareAll, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        error = SystemErrorText(utf8Name, GetLastError());
        return nullptr;
    }
    return std::make_unique<Win32AppendFile>(handle, utf8Name);
}

UpdateResult UpdateLockedFile(const std::string& utf8Name, const FileUpdate& update,
                              std::string& error) {
    const std::wstring name = Wide(utf8Name);
    // The file must be there before a lock file is made beside it.
    if (GetFileAttributesW(name.c_str()) == INVALID_FILE_ATTRIBUTES) {
        error = SystemErrorText(utf8Name, GetLastError());
        return UpdateResult::Failed;
    }
    const std::string lockName = utf8Name + ".lock";
    const Handle lock(CreateFileW(Wide(lockName).c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll,
                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    OVERLAPPED whole{};
    if (!lock.Valid() || !LockFileEx(lock.Get(), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &whole)) {
        error = SystemErrorText(lockName, GetLastError());
        return UpdateResult::Failed;
    }
    // Closing the lock file's handle lets the lock go.

    std::string contents;
    {
        const Handle in(CreateFileW(name.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!in.Valid()) {
            error = SystemErrorText(utf8Name, GetLastError());
            return UpdateResult::Failed;
        }
        char buffer[4096];
        DWORD got = 0;
        for (;;) {
            if (!ReadFile(in.Get(), buffer, sizeof buffer, &got, nullptr)) {
                error = SystemErrorText(utf8Name, GetLastError());
                return UpdateResult::Failed;
            }
            if (got == 0) break;
            contents.append(buffer, got);
        }
    }
    const std::optional<std::string> next = update(contents);
    if (!next) return UpdateResult::Left;

    // A new file beside the old, flushed, then moved over it. Under the lock no other caller
    // writes the same new file.
    const std::wstring temp = name + L".new";
    Handle out(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD failure = out.Valid() ? ERROR_SUCCESS : GetLastError();
    if (failure == ERROR_SUCCESS && !(WriteAll(out.Get(), *next) && FlushFileBuffers(out.Get())))
        failure = LastErrorOr(ERROR_WRITE_FAULT);
    if (out.Valid() && !out.Close() && failure == ERROR_SUCCESS) failure = GetLastError();
    if (failure == ERROR_SUCCESS &&
        !MoveFileExW(temp.c_str(), name.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        failure = GetLastError();
    if (failure != ERROR_SUCCESS) {
        DeleteFileW(temp.c_str());
        error = SystemErrorText(utf8Name, failure);
        return UpdateResult::Failed;
    }
    return UpdateResult::Replaced;
}

}  // namespace bramblet
