#pragma once
#include "CScript.h"
#include "CTrigger.h"
#include "ContentModule.h"
#include "RecordingDraw.h"
#include "ResourceBytes.h"

#include <memory>
#include <vector>

struct Res {
    const char* type;
    uint16_t id;
    std::vector<uint8_t> bytes;
};

/// A content module made of these resources, loaded as the content library
/// for the life of the object.
class TestLibrary {
public:
    explicit TestLibrary(std::vector<Res> resources)
    {
        std::vector<ContentModule::RawResource> raw;
        for (Res& r : resources)
            raw.push_back({ResName(r.type), ResName(r.id), std::move(r.bytes)});
        m_module = ContentModule::FromResources(std::move(raw));
        m_scoped = std::make_unique<ScopedContentLibrary>(m_module);
    }
    bool IsLoaded() const { return m_scoped->IsLoaded(); }
    std::shared_ptr<const ContentModule> Module() const { return m_module; }

private:
    std::shared_ptr<const ContentModule> m_module;
    std::unique_ptr<ScopedContentLibrary> m_scoped;
};

/// The script list of a trigger that belongs to no topic, ticked by hand
/// against the recording drawing context and its clock.
struct ScriptRig {
    RecordingDraw draw;
    CTriggerContinuous trigger{nullptr};
    CScriptList& list = trigger.Scripts();

    ScriptRig() { list.SetDraw(&draw); }

    /// Advances the clock, runs one walk; the pictures drawn in it.
    std::vector<int> Tick(uint32_t advanceMs = 50, bool* ran = nullptr)
    {
        draw.ticks += advanceMs;
        const bool result = list.RunAll();
        if (ran)
            *ran = result;
        return draw.TakePictures();
    }
};

using Ids = std::vector<int>;
