#include "platform/sim/machine_store.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <mutex>

#include "platform/sim/registry_file.h"

namespace {

constexpr const char kRegistryFileName[] = "/registry.reg";
constexpr const char kTemporaryFileName[] = "/registry.reg.tmp";
constexpr const char kRegistryLockName[] = "/registry.lock";

// Which file a parsed state came from: a rename always brings a new inode, and size and
// modification time tell apart the rare reuse of one.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = -1;
    struct timespec modified = {0, 0};
};

bool SameFile(const FileIdentity& left, const FileIdentity& right) {
    return left.device == right.device && left.inode == right.inode && left.size == right.size &&
           left.modified.tv_sec == right.modified.tv_sec &&
           left.modified.tv_nsec == right.modified.tv_nsec;
}

FileIdentity IdentityOf(const struct stat& status) {
    FileIdentity identity;
    identity.device = status.st_dev;
    identity.inode = status.st_ino;
    identity.size = status.st_size;
    identity.modified = status.st_mtim;
    return identity;
}

// The last state read or written, so the several calls of one run parse the file once.
struct RegistryCache {
    std::mutex mutex;
    std::string root;
    FileIdentity identity;
    std::shared_ptr<RegistryState> state;
};

RegistryCache& Cache() {
    static RegistryCache cache;
    return cache;
}

void Remember(const std::string& root, const FileIdentity& identity,
              std::shared_ptr<RegistryState> state) {
    RegistryCache& cache = Cache();
    std::lock_guard<std::mutex> guard(cache.mutex);
    cache.root = root;
    cache.identity = identity;
    cache.state = std::move(state);
}

std::shared_ptr<RegistryState> Recall(const std::string& root, const FileIdentity& identity) {
    RegistryCache& cache = Cache();
    std::lock_guard<std::mutex> guard(cache.mutex);
    if (cache.state != nullptr && cache.root == root && SameFile(cache.identity, identity)) {
        return cache.state;
    }
    return nullptr;
}

void Forget() {
    RegistryCache& cache = Cache();
    std::lock_guard<std::mutex> guard(cache.mutex);
    cache.state.reset();
}

// The file's bytes in memory mapped with all its pages in place: touching fresh heap pages
// one by one costs more than reading and parsing a large registry.
std::shared_ptr<char> NewTextBuffer(std::size_t size) {
    if (size == 0) {
        return std::shared_ptr<char>(new char[1], std::default_delete<char[]>());
    }
    void* memory = mmap(nullptr, size, PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
    if (memory == MAP_FAILED) {
        return nullptr;
    }
    return std::shared_ptr<char>(static_cast<char*>(memory),
                                 [size](char* text) { munmap(text, size); });
}

bool ReadWholeFile(int descriptor, std::size_t size, char* text) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t count = read(descriptor, text + done, size - done);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(count);
    }
    // A file that grew while being read is not the file that was measured.
    char extra;
    return read(descriptor, &extra, 1) == 0;
}

// Loads <root>/registry.reg. Returns 0 with a null state when the file does not exist yet.
DWORD LoadRegistryFile(const std::string& root, std::shared_ptr<RegistryState>* state) {
    state->reset();
    const std::string path = root + kRegistryFileName;
    const int descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        return errno == ENOENT ? 0 : ERROR_BADDB;
    }
    struct stat status;
    if (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        close(descriptor);
        return ERROR_BADDB;
    }
    const FileIdentity identity = IdentityOf(status);
    *state = Recall(root, identity);
    if (*state != nullptr) {
        close(descriptor);
        return 0;
    }
    const std::size_t size = static_cast<std::size_t>(status.st_size);
    std::shared_ptr<char> text = NewTextBuffer(size);
    if (text == nullptr) {
        close(descriptor);
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    const bool read = ReadWholeFile(descriptor, size, text.get());
    close(descriptor);
    auto parsed = std::make_shared<RegistryState>();
    if (!read || !ParseRegistryText(std::string_view(text.get(), size), text, parsed.get())) {
        return ERROR_BADDB;
    }
    *state = parsed;
    Remember(root, identity, parsed);
    return 0;
}

bool WriteAll(int descriptor, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t count = write(descriptor, text.data() + done, text.size() - done);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            return false;
        }
        done += static_cast<std::size_t>(count);
    }
    return true;
}

// Replaces <root>/registry.reg by a new file holding `state`, durably. On failure the old
// file stays as it was.
DWORD WriteRegistryFile(const std::string& root, std::shared_ptr<RegistryState> state) {
    // A file size limit must fail the write with an error, not end the process.
    std::signal(SIGXFSZ, SIG_IGN);
    const std::string temporaryPath = root + kTemporaryFileName;
    const int descriptor =
        open(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (descriptor < 0) {
        return ErrorFromErrno(errno, ERROR_WRITE_FAULT);
    }
    struct stat status;
    bool written =
        WriteRegistryText(*state,
                          [&](const std::string& piece) { return WriteAll(descriptor, piece); }) &&
        fsync(descriptor) == 0 && fstat(descriptor, &status) == 0;
    int error = errno;
    if (close(descriptor) != 0 && written) {
        written = false;
        error = errno;
    }
    if (!written || rename(temporaryPath.c_str(), (root + kRegistryFileName).c_str()) != 0) {
        error = written ? errno : error;
        unlink(temporaryPath.c_str());
        return ErrorFromErrno(error, ERROR_WRITE_FAULT);
    }
    // The rename is durable only once the folder itself is on disk.
    const int folder = open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        fsync(folder);
        close(folder);
    }
    Remember(root, IdentityOf(status), std::move(state));
    return 0;
}

DWORD MakeFolders(const std::string& path) {
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string prefix = path.substr(0, slash);
        if (mkdir(prefix.c_str(), 0755) != 0 && errno != EEXIST) {
            return ErrorFromErrno(errno, ERROR_PATH_NOT_FOUND);
        }
        if (slash == std::string::npos) {
            return 0;
        }
    }
}

}  // namespace

std::string MachineRoot() {
    const char* machine = std::getenv("QVTTOSERVICE_MACHINE");
    if (machine != nullptr && machine[0] != '\0') {
        return machine;
    }
    const char* stateHome = std::getenv("XDG_STATE_HOME");
    if (stateHome != nullptr && stateHome[0] == '/') {
        return std::string(stateHome) + "/qvttoservice/machine";
    }
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == '\0') {
        const struct passwd* user = getpwuid(getuid());
        home = user != nullptr ? user->pw_dir : nullptr;
    }
    if (home == nullptr || home[0] == '\0') {
        return "";
    }
    return std::string(home) + "/.local/state/qvttoservice/machine";
}

DWORD OpenMachineRoot(std::string* root) {
    *root = MachineRoot();
    if (root->empty()) {
        return ERROR_PATH_NOT_FOUND;
    }
    struct stat status;
    if (stat(root->c_str(), &status) == 0) {
        return S_ISDIR(status.st_mode) ? 0 : ERROR_PATH_NOT_FOUND;
    }
    return MakeFolders(*root);
}

DWORD ReadRegistry(std::shared_ptr<const RegistryState>* state) {
    std::string root;
    DWORD error = OpenMachineRoot(&root);
    if (error != 0) {
        return error;
    }
    std::shared_ptr<RegistryState> loaded;
    error = LoadRegistryFile(root, &loaded);
    if (error == 0 && loaded == nullptr) {
        // A new machine: set it up under the lock, then read what is there now.
        error = ChangeRegistry([](RegistryState&) -> DWORD { return 0; });
        if (error == 0) {
            error = LoadRegistryFile(root, &loaded);
        }
        if (error == 0 && loaded == nullptr) {
            error = ERROR_BADDB;
        }
    }
    *state = std::move(loaded);
    return error;
}

DWORD ChangeRegistry(const std::function<DWORD(RegistryState&)>& change) {
    std::string root;
    DWORD error = OpenMachineRoot(&root);
    if (error != 0) {
        return error;
    }
    const std::string lockPath = root + kRegistryLockName;
    const int lock = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (lock < 0) {
        return ErrorFromErrno(errno, ERROR_WRITE_FAULT);
    }
    while (flock(lock, LOCK_EX) != 0) {
        if (errno != EINTR) {
            const DWORD lockError = ErrorFromErrno(errno, ERROR_WRITE_FAULT);
            close(lock);
            return lockError;
        }
    }
    std::shared_ptr<RegistryState> state;
    error = LoadRegistryFile(root, &state);
    if (error == 0) {
        // The state is changed in place when nobody else holds it; it leaves the cache
        // first so that nobody can, and only a state that was written goes back.
        Forget();
        if (state == nullptr) {
            state = std::make_shared<RegistryState>(InitialRegistryState());
        } else if (state.use_count() > 1) {
            state = std::make_shared<RegistryState>(*state);
        }
        error = change(*state);
        if (error == 0) {
            error = WriteRegistryFile(root, std::move(state));
        }
    }
    flock(lock, LOCK_UN);
    close(lock);
    return error;
}

DWORD ErrorFromErrno(int error, DWORD fallback) {
    switch (error) {
        case ENOSPC:
        case EDQUOT:
            return ERROR_DISK_FULL;
        case EFBIG:
            return ERROR_FILE_TOO_LARGE;
        case EACCES:
        case EPERM:
            return ERROR_ACCESS_DENIED;
        case EROFS:
            return ERROR_WRITE_PROTECT;
        case ENOENT:
        case ENOTDIR:
            return ERROR_PATH_NOT_FOUND;
        case ENOMEM:
            return ERROR_NOT_ENOUGH_MEMORY;
        default:
            return fallback;
    }
}
