#pragma once
// One uninstall of a product at a time. Two runs side by side (a double
// click is enough) would each see the other's shares as its own and remove
// what the other still counts on.
#include "lib/win32.h"

#include <string>

namespace setupkit::uninstall {

class ProductLock {
  public:
    // Tries once; holds the lock until destroyed when it got it.
    explicit ProductLock(const std::string& appName);
    ~ProductLock();
    ProductLock(const ProductLock&) = delete;
    ProductLock& operator=(const ProductLock&) = delete;

    bool Held() const { return held_; }

  private:
    UniqueHandle mutex_;
    bool held_ = false;
};

} // namespace setupkit::uninstall
