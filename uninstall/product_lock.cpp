#include "uninstall/product_lock.h"

#include "lib/text.h"

namespace setupkit::uninstall {
namespace {

// Entries are the machine's and their names ignore case, so the lock is the
// machine's and its name is upper case. A backslash would end the name space part.
std::string LockName(const std::string& appName) {
    return "setupkit uninstall " + ReplaceChar(UpperCase(appName), '\\', '/');
}

} // namespace

ProductLock::ProductLock(const std::string& appName) {
    mutex_.Reset(::CreateMutexA(nullptr, FALSE, ("Global\\" + LockName(appName)).c_str()));
    // Without the right to name objects for every session, this session's name is taken.
    if (!mutex_)
        mutex_.Reset(::CreateMutexA(nullptr, FALSE, LockName(appName).c_str()));
    if (!mutex_)
        return;
    const DWORD waited = ::WaitForSingleObject(mutex_.Get(), 0);
    held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
}

ProductLock::~ProductLock() {
    if (held_)
        ::ReleaseMutex(mutex_.Get());
}

} // namespace setupkit::uninstall
