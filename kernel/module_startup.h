// Start-up and finalisation of the modules. Every subsystem library has one registration
// routine that fills its service entry points; StartModules calls them in link order from
// one place, so nothing depends on the order of static initialisation across libraries.
#pragma once

namespace zs {

// Each fills the entry points of its subsystem.
void RegisterKernelModule();
void RegisterSettingsModule();
void RegisterPluginsModule();
void RegisterLinksModule();
void RegisterParsingModule();
void RegisterPersistenceModule();
void RegisterRetrievalModule();
void RegisterUpdateModule();

// Each releases what its module holds, at the end of the program.
void FinalizeKernelModule();
void FinalizeSettingsModule();
void FinalizePluginsModule();
void FinalizeLinksModule();
void FinalizeParsingModule();
void FinalizePersistenceModule();
void FinalizeRetrievalModule();
void FinalizeUpdateModule();

// Binds the calling thread as the main thread and registers every module built so far.
void StartModules();
// Finalises the modules in reverse order: frees plug-ins, releases singletons.
void StopModules();

} // namespace zs
