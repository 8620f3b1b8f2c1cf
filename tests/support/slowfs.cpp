// A read-only FUSE pass-through of a folder that answers every look-up and every open after a
// delay, as a file server does after a round trip. Usage: slowfs SOURCE MOUNTPOINT DELAY_MS [LOG]
// With LOG, every look-up, listing and open is appended to that file as it is asked for, one a
// line: "look|list|open THREAD PATH", THREAD being the id of the thread that asked.
// Runs in the foreground, many requests at a time; SIGTERM (also sent when the parent dies)
// unmounts and ends it. The kernel keeps no names, so every path is looked up again each time;
// it keeps attributes for a second, which every look-up renews.
#define FUSE_USE_VERSION 312
#include <fuse3/fuse.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string source;
long delayMs = 0;
int requestLog = -1;

void roundTrip()
{
    timespec wait{delayMs / 1000, (delayMs % 1000) * 1000000};
    while (nanosleep(&wait, &wait) != 0 && errno == EINTR) {
    }
}

std::string real(const char* path)
{
    return source + path;
}

void logRequest(const char* kind, const char* path)
{
    if (requestLog < 0)
        return;
    // The kernel passes the asking thread's id as the request's pid.
    const std::string line = std::string(kind) + ' ' + std::to_string(fuse_get_context()->pid) + ' ' + path + '\n';
    (void)!::write(requestLog, line.data(), line.size()); // one write: lines of threads do not mix
}

void* init(fuse_conn_info*, fuse_config* config)
{
    config->entry_timeout = 0;
    config->attr_timeout = 1;
    config->negative_timeout = 0;
    config->use_ino = 1;
    return nullptr;
}

// Serves the kernel's look-ups; its attribute requests are mostly answered from its cache.
int getattr(const char* path, struct stat* st, fuse_file_info*)
{
    logRequest("look", path);
    roundTrip();
    return ::lstat(real(path).c_str(), st) == 0 ? 0 : -errno;
}

int readlink(const char* path, char* buffer, size_t size)
{
    const ssize_t n = ::readlink(real(path).c_str(), buffer, size - 1);
    if (n < 0)
        return -errno;
    buffer[n] = '\0';
    return 0;
}

int readdir(const char* path, void* buffer, fuse_fill_dir_t fill, off_t, fuse_file_info*, fuse_readdir_flags)
{
    logRequest("list", path);
    DIR* dir = ::opendir(real(path).c_str());
    if (!dir)
        return -errno;
    while (const dirent* entry = ::readdir(dir)) {
        struct stat st {};
        st.st_ino = entry->d_ino;
        st.st_mode = DTTOIF(entry->d_type);
        if (fill(buffer, entry->d_name, &st, 0, fuse_fill_dir_flags(0)) != 0)
            break;
    }
    ::closedir(dir);
    return 0;
}

int open(const char* path, fuse_file_info* info)
{
    logRequest("open", path);
    roundTrip();
    if ((info->flags & O_ACCMODE) != O_RDONLY)
        return -EROFS;
    const int fd = ::open(real(path).c_str(), info->flags);
    if (fd < 0)
        return -errno;
    info->fh = uint64_t(fd);
    return 0;
}

int read(const char*, char* buffer, size_t size, off_t offset, fuse_file_info* info)
{
    const ssize_t n = ::pread(int(info->fh), buffer, size, offset);
    return n < 0 ? -errno : int(n);
}

int release(const char*, fuse_file_info* info)
{
    ::close(int(info->fh));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: slowfs SOURCE MOUNTPOINT DELAY_MS [LOG]\n");
        return 2;
    }
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    char* resolved = ::realpath(argv[1], nullptr);
    if (!resolved) {
        std::perror(argv[1]);
        return 1;
    }
    source = resolved;
    std::free(resolved);
    delayMs = std::atol(argv[3]);
    if (argc == 5 && (requestLog = ::open(argv[4], O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644)) < 0) {
        std::perror(argv[4]);
        return 1;
    }

    fuse_operations operations{};
    operations.init = init;
    operations.getattr = getattr;
    operations.readlink = readlink;
    operations.readdir = readdir;
    operations.open = open;
    operations.read = read;
    operations.release = release;
    char* options[] = {argv[0], const_cast<char*>("-o"), const_cast<char*>("ro,fsname=slowfs")};
    fuse_args args = FUSE_ARGS_INIT(3, options);
    fuse* fs = fuse_new(&args, &operations, sizeof operations, nullptr);
    fuse_opt_free_args(&args);
    if (!fs || fuse_mount(fs, argv[2]) != 0)
        return 1;
    fuse_session* session = fuse_get_session(fs);
    fuse_set_signal_handlers(session);
    fuse_loop_config* loop = fuse_loop_cfg_create();
    fuse_loop_cfg_set_max_threads(loop, 64);
    fuse_loop_cfg_set_idle_threads(loop, 64);
    const int result = fuse_loop_mt(fs, loop);
    fuse_loop_cfg_destroy(loop);
    fuse_remove_signal_handlers(session);
    fuse_unmount(fs);
    fuse_destroy(fs);
    return result == 0 ? 0 : 1;
}
