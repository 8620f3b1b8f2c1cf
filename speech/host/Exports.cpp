// The plug-in's only visible symbols. Everything else in the module is hidden.

#include "ClassTable.h"

#define ORU_EXPORT extern "C" __attribute__((visibility("default")))

using namespace oru;

ORU_EXPORT int32_t DllGetClassForm(const Guid* classId, uint32_t* instanceSize, InitFn* init, FinalizeFn* finalize)
{
    return plugin::getClassForm(classId, instanceSize, init, finalize);
}

ORU_EXPORT int32_t DllGetClassInfo(IOruAllocator* allocator, ClassInfoRecord** records)
{
    return plugin::getClassInfo(allocator, records);
}

ORU_EXPORT int32_t DllGetInterface(void* instance, const Guid* classId, const Guid* iid, void** out)
{
    return plugin::getInterface(instance, classId, iid, out);
}

ORU_EXPORT int32_t DllGetClassObject(const Guid* classId, const Guid* iid, void** out)
{
    return plugin::getClassObject(classId, iid, out);
}

ORU_EXPORT int32_t DllCanUnloadNow()
{
    return plugin::canUnloadNow();
}
