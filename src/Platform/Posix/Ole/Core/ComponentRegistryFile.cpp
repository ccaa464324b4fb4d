#include "Platform/Posix/Ole/Core/ComponentRegistryFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <expected>
#include <map>
#include <mutex>

#include <nlohmann/json.hpp>

#include "Platform/Posix/Ole/Core/AsciiCase.h"
#include "Platform/Posix/Ole/Core/FileBytes.h"
#include "String/Utf.h"

namespace {

using nlohmann::json;
using qor::platform::posix::ole::equalsIgnoringAsciiCase;
using qor::platform::posix::ole::FileBytes;
using qor::platform::posix::ole::InprocServerRecord;

HRESULT const badDatabase = HRESULT_FROM_WIN32(ERROR_BADDB);
HRESULT const cannotWrite = REGDB_E_WRITEREGDB;

// Thousands of classes take a few hundred kilobytes; a file far beyond that
// is not a registry, and would take long to parse.
constexpr std::uint64_t maxRegistrySize = 16u << 20;

// Why the last write on this thread was refused, for a person to read.
thread_local std::string lastProblem;

std::optional<CLSID> parseClsid(std::string const& text) {
    CLSID clsid{};
    std::u16string const wide = qor::string::utf8ToUtf16(text);
    if (wide.size() != 38 || FAILED(CLSIDFromString(wide.c_str(), &clsid)))
        return std::nullopt;
    return clsid;
}

std::string clsidText(CLSID const& clsid) {
    OLECHAR buffer[40];
    StringFromGUID2(clsid, buffer, 40);
    return qor::string::utf16ToUtf8(buffer);
}

std::string stringMember(json const& object, char const* name) {
    auto found = object.find(name);
    return found != object.end() && found->is_string() ? found->get<std::string>() : std::string();
}

struct ProgIdRecord {
    std::string progId;
    CLSID clsid;
    std::string curVer;
};

// What a reader needs of the file, with its malformed entries left out.
struct Contents {
    std::map<std::string, InprocServerRecord> classes; // by CLSID text as written in the file
    std::vector<ProgIdRecord> progIds;
};

Contents contentsOf(json const& document) {
    Contents contents;
    if (!document.is_object())
        return contents;
    if (auto classes = document.find("CLSIDs"); classes != document.end() && classes->is_object()) {
        for (auto const& [key, value] : classes->items()) {
            auto clsid = parseClsid(key);
            std::string library = value.is_object() ? stringMember(value, "InprocServer32") : std::string();
            if (!clsid || library.empty())
                continue;
            contents.classes[clsidText(*clsid)] = {*clsid, library, stringMember(value, "ProgID"),
                                                   stringMember(value, "VersionIndependentProgID"),
                                                   stringMember(value, "Description")};
        }
    }
    if (auto progIds = document.find("ProgIDs"); progIds != document.end() && progIds->is_object()) {
        for (auto const& [key, value] : progIds->items()) {
            auto clsid = value.is_object() ? parseClsid(stringMember(value, "CLSID")) : std::nullopt;
            if (clsid)
                contents.progIds.push_back({key, *clsid, stringMember(value, "CurVer")});
        }
    }
    return contents;
}

enum class ReadState { absent, read, unreadable };

struct Document {
    ReadState state;
    json value;
    std::string problem; // why it is unreadable
};

Document readDocument(std::filesystem::path const& path) {
    auto file = FileBytes::open(path, maxRegistrySize);
    if (!file) {
        if (file.error().error == ERROR_FILE_NOT_FOUND)
            return {ReadState::absent, {}, {}};
        return {ReadState::unreadable, {}, file.error().reason};
    }
    auto const text = file->bytes();
    auto const* begin = reinterpret_cast<char const*>(text.data());
    json value = json::parse(begin, begin + text.size(), nullptr, false);
    if (value.is_discarded() || !value.is_object())
        return {ReadState::unreadable, {}, "not a JSON object"};
    return {ReadState::read, std::move(value), {}};
}

// The last contents read, kept while the file's identity is unchanged.
class ContentsCache {
public:
    template <class F>
    auto with(F f) {
        std::filesystem::path const path = qor::platform::posix::ole::componentRegistryFilePath();
        std::lock_guard lock(mutex_);
        struct stat status{};
        if (::stat(path.c_str(), &status) != 0) {
            status = {};
        }
        Key const key{path, status.st_ino, status.st_size, status.st_mtim.tv_sec, status.st_mtim.tv_nsec};
        if (!key_ || !(*key_ == key)) {
            Document document = readDocument(path);
            contents_ = document.state == ReadState::read ? contentsOf(document.value) : Contents{};
            key_ = key;
        }
        return f(contents_);
    }

private:
    struct Key {
        std::filesystem::path path;
        ino_t inode;
        off_t size;
        time_t seconds;
        long nanoseconds;
        bool operator==(Key const&) const = default;
    };

    std::mutex mutex_;
    std::optional<Key> key_;
    Contents contents_;
};

ContentsCache& cache() {
    static auto* instance = new ContentsCache;
    return *instance;
}

std::optional<ProgIdRecord> findProgId(Contents const& contents, std::u16string_view progId) {
    for (auto const& record : contents.progIds)
        if (equalsIgnoringAsciiCase(qor::string::utf8ToUtf16(record.progId), progId))
            return record;
    return std::nullopt;
}

// Holds the lock file of the registry for one read-modify-write.
class WriteLock {
public:
    explicit WriteLock(std::filesystem::path const& path) {
        std::filesystem::path lockPath = path;
        lockPath += ".lock";
        fd_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ >= 0 && ::flock(fd_, LOCK_EX) != 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~WriteLock() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    WriteLock(WriteLock const&) = delete;
    WriteLock& operator=(WriteLock const&) = delete;
    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

bool writeAll(int fd, std::string const& text) {
    std::size_t written = 0;
    while (written < text.size()) {
        ssize_t const n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0)
            return false;
        written += static_cast<std::size_t>(n);
    }
    return true;
}

// The file a write replaces: the registry path, or the file its symbolic
// links lead to, so that the links stay and the file they share changes.
std::filesystem::path fileBehindLinks(std::filesystem::path path) {
    std::error_code error;
    for (int hops = 0; hops < 40 && std::filesystem::is_symlink(path, error); ++hops) {
        std::filesystem::path const target = std::filesystem::read_symlink(path, error);
        if (error)
            break;
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    return path;
}

// The mode and owner a new registry file gets: those of the file it
// replaces, so that a person's choice survives every write.
struct FileAccess {
    mode_t mode = 0600;
    std::optional<std::pair<uid_t, gid_t>> owner;
};

// Refused when the file is read-only: the rename that replaces it would
// otherwise go through, as it asks only the folder.
std::expected<FileAccess, std::string> accessToReplace(std::filesystem::path const& path) {
    struct stat status{};
    if (::stat(path.c_str(), &status) != 0)
        return FileAccess{};
    bool const readOnly = (status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(path.c_str(), W_OK) != 0;
    if (readOnly)
        return std::unexpected("read-only");
    return FileAccess{status.st_mode & 07777, std::pair{status.st_uid, status.st_gid}};
}

// A reader sees the old file or the new one, never part of either, and a
// crash after the rename keeps the new one. The errno of a failure, else 0.
int replaceAtomically(std::filesystem::path const& path, std::string const& text, FileAccess const& access) {
    std::string pattern = path.string() + ".XXXXXX";
    int const fd = ::mkstemp(pattern.data());
    if (fd < 0)
        return errno;
    // Another user's file keeps its owner where this process may give it.
    if (access.owner)
        (void)!::fchown(fd, access.owner->first, access.owner->second);
    bool ok = ::fchmod(fd, access.mode) == 0 && writeAll(fd, text) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (!ok || ::rename(pattern.c_str(), path.c_str()) != 0) {
        int const error = errno;
        ::unlink(pattern.c_str());
        return error;
    }
    int const folder = ::open(path.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return 0;
}

HRESULT refuse(HRESULT hr, std::filesystem::path const& path, std::string const& why) {
    lastProblem = path.string() + ": " + why;
    return hr;
}

template <class Change>
HRESULT updateDocument(Change change) {
    lastProblem.clear();
    std::filesystem::path const path = fileBehindLinks(qor::platform::posix::ole::componentRegistryFilePath());
    std::error_code error;
    std::filesystem::create_directories(path.parent_path(), error);
    WriteLock lock(path);
    if (!lock.held())
        return refuse(cannotWrite, path, "its lock file can't be made");
    Document document = readDocument(path);
    if (document.state == ReadState::unreadable)
        return refuse(badDatabase, path, document.problem + ", left as it is");
    if (document.state == ReadState::absent)
        document.value = json::object();
    for (char const* section : {"ProgIDs", "CLSIDs"})
        if (!document.value.contains(section) || !document.value[section].is_object())
            document.value[section] = json::object();
    HRESULT const hr = change(document.value);
    if (hr != S_OK)
        return hr;
    auto access = accessToReplace(path);
    if (!access)
        return refuse(E_ACCESSDENIED, path, access.error() + ", left as it is");
    if (int const failure = replaceAtomically(path, document.value.dump(2) + "\n", *access))
        return refuse(cannotWrite, path, std::string("can't be replaced: ") + std::strerror(failure));
    return S_OK;
}

bool sameClass(json const& entry, CLSID const& clsid) {
    if (!entry.is_object())
        return false;
    auto parsed = parseClsid(stringMember(entry, "CLSID"));
    return parsed && *parsed == clsid;
}

// Entries of the class under any spelling of its CLSID.
std::size_t eraseClass(json& document, CLSID const& clsid) {
    std::size_t erased = 0;
    json& classes = document["CLSIDs"];
    for (auto it = classes.begin(); it != classes.end();) {
        auto parsed = parseClsid(it.key());
        if (parsed && *parsed == clsid) {
            it = classes.erase(it);
            ++erased;
        } else {
            ++it;
        }
    }
    json& progIds = document["ProgIDs"];
    for (auto it = progIds.begin(); it != progIds.end();) {
        if (sameClass(it.value(), clsid)) {
            it = progIds.erase(it);
            ++erased;
        } else {
            ++it;
        }
    }
    return erased;
}

} // namespace

namespace qor::platform::posix::ole {

std::filesystem::path componentRegistryFilePath() {
    if (char const* file = std::getenv("QOR_OLE_REGISTRY"); file && *file)
        return file;
    if (char const* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/')
        return std::filesystem::path(config) / "qor" / "ole-registry.json";
    char const* home = std::getenv("HOME");
    return std::filesystem::path(home && *home ? home : "/") / ".config" / "qor" / "ole-registry.json";
}

std::optional<std::string> inprocServerLibraryOf(CLSID const& clsid) {
    return cache().with([&](Contents const& contents) -> std::optional<std::string> {
        auto found = contents.classes.find(clsidText(clsid));
        if (found == contents.classes.end())
            return std::nullopt;
        return found->second.library;
    });
}

std::optional<CLSID> clsidOfRegisteredProgId(std::u16string_view progId) {
    return cache().with([&](Contents const& contents) -> std::optional<CLSID> {
        auto record = findProgId(contents, progId);
        if (!record)
            return std::nullopt;
        if (!record->curVer.empty())
            if (auto current = findProgId(contents, qor::string::utf8ToUtf16(record->curVer)))
                return current->clsid;
        return record->clsid;
    });
}

std::optional<std::u16string> progIdOfRegisteredClass(CLSID const& clsid) {
    return cache().with([&](Contents const& contents) -> std::optional<std::u16string> {
        auto found = contents.classes.find(clsidText(clsid));
        if (found == contents.classes.end() || found->second.progId.empty())
            return std::nullopt;
        return qor::string::utf8ToUtf16(found->second.progId);
    });
}

std::string lastComponentRegistryProblem() {
    return lastProblem;
}

HRESULT writeInprocServer(InprocServerRecord const& record) {
    return updateDocument([&](json& document) {
        // JSON holds only UTF-8; a path of other bytes can't be written down.
        for (std::string const* text : {&record.library, &record.progId, &record.versionIndependentProgId,
                                        &record.description})
            if (!qor::string::isValidUtf8(*text))
                return E_INVALIDARG;
        eraseClass(document, record.clsid);
        std::string const clsid = clsidText(record.clsid);
        json entry = {{"InprocServer32", record.library}};
        if (!record.progId.empty())
            entry["ProgID"] = record.progId;
        if (!record.versionIndependentProgId.empty())
            entry["VersionIndependentProgID"] = record.versionIndependentProgId;
        if (!record.description.empty())
            entry["Description"] = record.description;
        document["CLSIDs"][clsid] = std::move(entry);
        if (!record.progId.empty())
            document["ProgIDs"][record.progId] = {{"CLSID", clsid}};
        if (!record.versionIndependentProgId.empty()) {
            json progId = {{"CLSID", clsid}};
            if (!record.progId.empty())
                progId["CurVer"] = record.progId;
            document["ProgIDs"][record.versionIndependentProgId] = std::move(progId);
        }
        return S_OK;
    });
}

HRESULT eraseInprocServer(CLSID const& clsid) {
    bool erased = false;
    HRESULT const hr = updateDocument([&](json& document) {
        erased = eraseClass(document, clsid) > 0;
        return erased ? S_OK : S_FALSE;
    });
    return hr;
}

} // namespace qor::platform::posix::ole
