#pragma once

// A page's haptic message to `tscore view`, read and checked before anything acts on it. Every
// message is untrusted: it is read without exceptions, each field checked for type and range,
// and anything else answered with what was wrong.
//
//   {"type":"levels","key":"device0","ffb":[T,I,M,R,P],"buzz":[T,I,M,R,P]}   (either list, 0-100)
//   {"type":"pulse","key":"device0","finger":0-4,"level":1-100,"ms":10-5000}
//   {"type":"stop","key":"device0"}   or   {"type":"stop"} for every glove

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace TSCoreCli
{
    struct HapticRequest
    {
        enum class Type
        {
            Levels,
            Pulse,
            Stop,
        };
        using Levels = std::array<int, 5>;

        static constexpr int maxLevel = 100;
        static constexpr int minPulseMs = 10;
        static constexpr int maxPulseMs = 5000;
        static constexpr std::size_t maxKeyLength = 64;

        Type type = Type::Stop;
        /// The glove's device key; empty only for a stop of every glove.
        std::string key;
        /// Levels: the lists given (at least one).
        std::optional<Levels> ffb;
        std::optional<Levels> buzz;
        /// Pulse: the finger (thumb 0), its level and how long.
        int finger = 0;
        int level = 0;
        int ms = 0;
    };

    /// What a message was read as: typeKnown once it is a JSON object of a known "type" (a
    /// page may be refused haptics before its fields are judged); request when every field
    /// is right; error says what was wrong otherwise.
    struct HapticRequestRead
    {
        bool typeKnown = false;
        std::optional<HapticRequest> request;
        std::string error;
    };

    HapticRequestRead ReadHapticRequest(std::string_view text);
}
