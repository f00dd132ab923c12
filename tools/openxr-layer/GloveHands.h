#pragma once

// The gloves' side of the layer: the current hand of one side as OpenXR joint locations.

#include <TSCore/Hand/OpenXRHand.h>

#include "LayerConfig.h"

namespace TSCoreXR
{
    /// The first connected glove of that side: its hand pose through the configured profile,
    /// its wrist turned by the glove's orientation sensor and the configured yaw, and placed
    /// at the configured offset in the configured space, which lies at `space` in the
    /// application's base space. The flags follow OpenXRHand::TrackingOf with the service's
    /// time stamp read on every call: all four while live, the VALID ones only while the
    /// service has not updated for 3 s to 10 s. False (isActive false, no flags) when there is
    /// no such glove, no complete reading with an orientation, or the service stopped or has
    /// not updated for 10 s. Never throws. The library is called under one lock, which also
    /// guards the configuration's profiles (the gloves read them as they compute).
    bool ReadHand(bool right, LayerConfig& config, const TSCore::OpenXRHand::Pose& space,
                  TSCore::OpenXRHand::Locations& out);
}
