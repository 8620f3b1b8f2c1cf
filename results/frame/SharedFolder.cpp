#include "SharedFolder.h"

#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string folderAbove(const std::string& path)
{
    std::string::size_type end = path.find_last_not_of('/');
    if (end == std::string::npos)
        return "/";
    const std::string::size_type slash = path.rfind('/', end);
    if (slash == std::string::npos)
        return ".";
    end = path.find_last_not_of('/', slash);
    return end == std::string::npos ? "/" : path.substr(0, end + 1);
}

} // namespace

int MakeSharedFolder(const char* path)
{
    if (::mkdir(path, 0777) != 0)
        return -1;
    // Others may write the folder above (pupils): the new folder is opened without following a
    // link, and changed only while it is still the one made here.
    const int fd = ::open(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat above {};
    struct stat made {};
    if (fd >= 0 && ::stat(folderAbove(path).c_str(), &above) == 0 && (above.st_mode & S_ISGID) &&
        ::fstat(fd, &made) == 0 && made.st_uid == ::geteuid() && made.st_gid == above.st_gid) {
        const mode_t wanted = (made.st_mode | (above.st_mode & S_IRWXG)) & 07777;
        // Refused on some shares, whose server then applies its own rights; the folder is there.
        if (wanted != (made.st_mode & 07777))
            (void)::fchmod(fd, wanted);
    }
    if (fd >= 0)
        ::close(fd);
    return 0;
}
