#pragma once

#include <engineregistration.h>

namespace vantor::test {

// While it lives, every records file is opened as on a disk that is full: the file may not grow
// by a single page (SQLite never sets a limit below the pages a file has). A connection opened
// meanwhile stays so after it ends.
class ScopedFullDisk
{
public:
    ScopedFullDisk();

private:
    EngineRegistration m_registration;
};

} // namespace vantor::test
