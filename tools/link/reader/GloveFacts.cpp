#include "GloveFacts.h"

#include <TSCore/Devices/ServiceReader.h>

#include "Contract.h"

namespace TSCoreLink
{
    // The tools that act as the service keep the reader's rule without linking the library.
    static_assert(Contract::staleAfterSeconds == TSCore::ServiceReader::staleAfterSeconds &&
                      Contract::stoppedAfterSeconds == TSCore::ServiceReader::stoppedAfterSeconds,
                  "the service half's rule for a running service differs from the reader's");

    const TSCore::Kinematics::BasicHandModel& DefaultHandModel(bool right)
    {
        static const TSCore::Kinematics::BasicHandModel rightModel = TSCore::Kinematics::BasicHandModel::Default(true);
        static const TSCore::Kinematics::BasicHandModel leftModel = TSCore::Kinematics::BasicHandModel::Default(false);
        return right ? rightModel : leftModel;
    }
}
