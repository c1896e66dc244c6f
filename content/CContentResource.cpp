#include "CContentResource.h"

#include "ContentModule.h"

const void* CContentResource::LoadNamed(const ResName& name, const ResName& type)
{
    handle = nullptr;
    std::shared_ptr<const ContentModule> module = ContentLibrary::Get();
    if (!module)
        return nullptr;
    const PeResources::Entry* entry = module->Find(type, name);
    if (!entry)
        return nullptr;
    m_module = std::move(module);
    size = static_cast<uint32_t>(entry->data.size());
    handle = entry;
    return handle;
}

const void* CContentResource::Load(uint16_t id, const ResName& type)
{
    return LoadNamed(ResName(id), type);
}

const uint8_t* CContentResource::Lock()
{
    if (!handle)
        return nullptr;
    data = static_cast<const PeResources::Entry*>(handle)->data.data();
    return data;
}

void CContentResource::Unlock()
{
    if (handle)
        data = nullptr;
}
