#pragma once

// The gloves' side of the layer: the current hand of one side as OpenXR joint locations.

#include <array>

#include <TSCore/Hand/OpenXRHand.h>

#include "LayerConfig.h"

namespace TSCoreXR
{
    // Every function here goes through the layer's one ServiceReader, updated on each call (its
    // check of the service runs every 100 ms): a glove that connects, disconnects or is replaced,
    // and a service restarted with other gloves, are followed within about 0.1 s. The reader is
    // used under one lock, so any thread of the application may call; the lock also guards the
    // configuration's profiles and the glove objects' last commands.

    /// The first connected glove of that side: its hand pose through the configured profile,
    /// its wrist turned by the glove's orientation sensor and the configured yaw, and placed
    /// at the configured offset in the configured space, which lies at `space` in the
    /// application's base space. The flags follow OpenXRHand::TrackingOf with the age of the
    /// service's time stamp at the reader's latest check: all four while live, the VALID ones
    /// only while the service has not updated for 3 s to 10 s. False (isActive false, no flags)
    /// when there is no such glove, no complete reading with an orientation, or the service
    /// stopped or has not updated for 10 s. Never throws.
    bool ReadHand(bool right, LayerConfig& config, const TSCore::OpenXRHand::Pose& space,
                  TSCore::OpenXRHand::Locations& out);

    /// Force-feedback levels per finger, thumb first, 0 (free) to 100 (full force).
    using ForceLevels = std::array<int, 5>;

    /// The force-feedback channels of the first connected glove of that side: 5 on a Tessara,
    /// 4 on a Kelvo (thumb to ring; its pinky has none), 0 when there is no such glove.
    int ForceFeedbackChannels(bool right);

    /// Sends the levels to the first connected glove of that side, levels past its channels
    /// as 0, vibration (and a Kelvo's thumper magnitude) as the glove's command entry holds
    /// them, whichever program sent them. False, nothing sent, when there is no such
    /// glove, it has no channels, or the service stopped (no readable time stamp, or one 10 s
    /// old or more); false too when the library could not write the command.
    bool SendForce(bool right, const ForceLevels& levels);

    /// All force-feedback levels 0 on the first connected glove of that side, if any.
    void ReleaseForce(bool right);
}
