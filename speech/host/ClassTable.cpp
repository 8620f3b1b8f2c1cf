#include "ClassTable.h"

#include "Registration.h"
#include "ScriptClass.h"

namespace oru::plugin {

namespace {

// The class table, in its fixed order.
constexpr ClassEntry kClasses[kClassCount] = {
    {kRegistrationClassId,
     sizeof(InstanceHostPart),
     &registrationInit,
     &registrationFinalize,
     {{iid::kRegister, &SpeechVellRegister_IOruRegister::create},
      {iid::kMmTerminator, &SpeechVellRegister_IOruMmTerminator::create}}},
    {kScriptClassId,
     kScriptInstanceSize,
     &scriptInit,
     &scriptFinalize,
     {{iid::kMmXScript, &SpeechVellScript_IOruMmXScript::create},
      {iid::kNotificationClient, &SpeechVellScript_IOruNotificationClient::create}}},
};

constexpr int kRecordCount = 6; // per class: one lead record plus one per interface

} // namespace

const ClassEntry* classTable() noexcept
{
    return kClasses;
}

int32_t getClassForm(const Guid* classId, uint32_t* instanceSize, InitFn* init, FinalizeFn* finalize) noexcept
{
    if (classId == nullptr)
        return code::kNoClass;
    for (const ClassEntry& entry : kClasses) {
        if (!(entry.classId == *classId))
            continue;
        if (instanceSize != nullptr)
            *instanceSize = entry.instanceSize;
        if (init != nullptr)
            *init = entry.init;
        if (finalize != nullptr)
            *finalize = entry.finalize;
        return code::kOk;
    }
    return code::kNoClass;
}

int32_t getClassInfo(IOruAllocator* allocator, ClassInfoRecord** records) noexcept
{
    if (records == nullptr)
        return code::kOutOfMemory;
    *records = nullptr;
    if (allocator == nullptr)
        return code::kOutOfMemory;
    auto* out = static_cast<ClassInfoRecord*>(allocator->allocate((kRecordCount + 1) * sizeof(ClassInfoRecord)));
    if (out == nullptr)
        return code::kOutOfMemory;

    ClassInfoRecord* record = out;
    for (const ClassEntry& entry : kClasses) {
        *record++ = ClassInfoRecord{entry.classId, kVersion, iid::kClassInfoFirst, kVersion};
        for (const InterfaceEntry& itf : entry.interfaces)
            *record++ = ClassInfoRecord{entry.classId, kVersion, itf.iid, kVersion};
    }
    *record = ClassInfoRecord{}; // closing record: zero ids and versions
    *records = out;
    return code::kOk;
}

int32_t getInterface(void* instance, const Guid* classId, const Guid* iid, void** out) noexcept
{
    if (out != nullptr)
        *out = nullptr;
    if (iid == nullptr || out == nullptr)
        return code::kNoInterface;
    for (const ClassEntry& entry : kClasses) {
        if (classId != nullptr && !(entry.classId == *classId))
            continue;
        // Without a class id the instance must say it is a script instance: a script
        // interface reads beyond the host part.
        if (classId == nullptr && entry.classId == kScriptClassId && !isScriptInstance(instance))
            continue;
        for (const InterfaceEntry& itf : entry.interfaces) {
            if (itf.iid == *iid)
                return itf.create(instance, out);
        }
    }
    return code::kNoInterface;
}

int32_t getClassObject(const Guid*, const Guid*, void** out) noexcept
{
    if (out != nullptr)
        *out = nullptr;
    return code::kNoClass;
}

int32_t canUnloadNow() noexcept
{
    return g_liveObjects.load() == 0 ? code::kOk : code::kObjectsAlive;
}

} // namespace oru::plugin
