#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>

#include "dds/Entity.h"
#include "dds/Qos.h"
#include "dds/Subscriber.h"
#include "dds/Topic.h"

namespace TSCoreBridge::Dds
{
    class WaitSet;

    /// What a reader needs whatever its type: the read condition a wait set waits on, and
    /// which participant wrote a sample.
    class ReaderBase : public Entity
    {
    protected:
        ReaderBase(dds_entity_t created, const std::string& what) : Entity(created, what) {}

        /// The remote participant a writer belongs to (stable while it lives, different for a
        /// restarted process), or 0 once the writer is gone.
        std::uint64_t ParticipantOf(dds_instance_handle_t publication);
        void ReturnLoan(void** samples, std::int32_t count) noexcept;

        /// Samples handed out by one Take at most, so that a flood cannot starve the caller.
        static constexpr std::int32_t maxPerTake = 256;

    private:
        friend class WaitSet;
        dds_entity_t Condition();

        std::unordered_map<dds_instance_handle_t, std::uint64_t> participants;
        dds_entity_t condition = 0; // a child of the reader, deleted with it
    };

    template <class T>
    class Reader : public ReaderBase
    {
    public:
        Reader(const Subscriber& subscriber, const Topic<T>& topic, const Qos& qos)
            : ReaderBase(detail::CreateReader(HandleOf(subscriber), HandleOf(topic), qos),
                         "reader of \"" + topic.Name() + "\"")
        {
        }

        /// Takes the waiting samples and calls visit(sample, participant) for each one that
        /// carries data. Returns the number visited.
        template <class Visit>
        std::size_t Take(Visit&& visit)
        {
            constexpr std::int32_t batch = 16;
            std::size_t visited = 0;
            for (std::int32_t round = 0; round < maxPerTake / batch; ++round)
            {
                void* samples[batch] = {};
                dds_sample_info_t infos[batch];
                const dds_return_t n = dds_take(Handle(), samples, infos, batch, batch);
                if (n <= 0)
                    break;
                Loan loan{this, samples, n};
                for (dds_return_t i = 0; i < n; ++i)
                {
                    if (!infos[i].valid_data)
                        continue;
                    visit(*static_cast<const T*>(samples[i]), ParticipantOf(infos[i].publication_handle));
                    ++visited;
                }
                if (n < batch)
                    break;
            }
            return visited;
        }

    private:
        struct Loan
        {
            Reader* reader;
            void** samples;
            std::int32_t count;
            ~Loan() { reader->ReturnLoan(samples, count); }
        };
    };
}
