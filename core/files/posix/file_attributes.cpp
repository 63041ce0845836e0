// The attributes a replaced output keeps. The access ACL is the extended attribute
// system.posix_acl_access, so copying it as bytes keeps the ACL without libacl; the
// kernel checks and applies it as setfacl's would be.
#include "core/files/posix/file_attributes.h"

#include "core/files/io_error.h"

#include <cerrno>
#include <string_view>
#include <vector>

#include <sys/xattr.h>
#include <unistd.h>

namespace kivo::core {

namespace {

constexpr const char* kAccessAcl = "system.posix_acl_access";

bool kept(std::string_view name)
{
    return name == kAccessAcl || name.substr(0, 5) == "user.";
}

bool unsupported(int error)
{
    return error == ENOTSUP || error == ENOSYS;
}

bool keepExtendedAttributes(int fd, const std::string& place, Reason& why)
{
    std::vector<char> names;
    for (;;) {
        const ssize_t size = ::listxattr(place.c_str(), nullptr, 0);
        if (size < 0 && unsupported(errno))
            return true;
        if (size >= 0) {
            names.resize(static_cast<std::size_t>(size));
            const ssize_t got = size == 0 ? 0 : ::listxattr(place.c_str(), names.data(), names.size());
            if (got >= 0) {
                names.resize(static_cast<std::size_t>(got));
                break;
            }
        }
        // Grown since it was measured: measure again.
        if (errno != ERANGE) {
            why = within(ReasonKind::CannotReadExtendedAttributes, {}, systemReason(errno));
            return false;
        }
    }
    std::vector<char> value;
    bool hasAcl = false;
    for (std::size_t at = 0; at < names.size();) {
        const std::string name(names.data() + at);
        at += name.size() + 1;
        if (!kept(name))
            continue;
        hasAcl = hasAcl || name == kAccessAcl;
        ssize_t size = ::getxattr(place.c_str(), name.c_str(), nullptr, 0);
        if (size >= 0) {
            value.resize(static_cast<std::size_t>(size));
            size = ::getxattr(place.c_str(), name.c_str(), value.data(), value.size());
        }
        if (size < 0) {
            if (errno == ENODATA)
                continue;
            why = within(ReasonKind::CannotReadAttribute, name, systemReason(errno));
            return false;
        }
        if (::fsetxattr(fd, name.c_str(), value.data(), static_cast<std::size_t>(size), 0) != 0) {
            why = within(ReasonKind::CannotKeepAttribute, name, systemReason(errno));
            return false;
        }
    }
    // The new file took the folder's default ACL; the file it replaces had none.
    if (!hasAcl && ::fremovexattr(fd, kAccessAcl) != 0 && errno != ENODATA && !unsupported(errno)) {
        why = within(ReasonKind::CannotDropDefaultAcl, {}, systemReason(errno));
        return false;
    }
    return true;
}

} // namespace

bool keepAttributes(int fd, const std::string& place, const struct stat& earlier, Reason& why)
{
    struct stat now {};
    if (::fstat(fd, &now) != 0) {
        why = systemReason(errno);
        return false;
    }
    // The owner first: a change of owner clears the set-user-ID bits. Only root can give a
    // file away; anyone else may only set a group of their own.
    if ((now.st_uid != earlier.st_uid || now.st_gid != earlier.st_gid)
        && ::fchown(fd, earlier.st_uid, earlier.st_gid) != 0) {
        why = within(ReasonKind::CannotKeepOwner, {}, systemReason(errno));
        return false;
    }
    if (::fchmod(fd, earlier.st_mode & 07777) != 0) {
        why = within(ReasonKind::CannotKeepPermissions, {}, systemReason(errno));
        return false;
    }
    return keepExtendedAttributes(fd, place, why);
}

} // namespace kivo::core
