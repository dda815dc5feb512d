#pragma once

#include "engine.h"

namespace vantor {

// While it lives, `engine` serves `providers` (as engineregistry.cpp names them) ahead of the
// program's own engines: an engine that whoever links the store carries, which opens records
// files where it names their providers. Made and ended while no connection is being opened;
// the engine must outlive every connection it opened.
class EngineRegistration
{
public:
    EngineRegistration(const Engine& engine, const QStringList& providers);
    ~EngineRegistration();
    EngineRegistration(const EngineRegistration&) = delete;
    EngineRegistration& operator=(const EngineRegistration&) = delete;
};

} // namespace vantor
