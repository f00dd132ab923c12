#pragma once

// Umbrella header: everything an application uses.

#include "TSCore/DeviceType.h"
#include "TSCore/Export.h"
#include "TSCore/Finger.h"

#include "TSCore/Diagnostics/DebugLevel.h"
#include "TSCore/Diagnostics/Debugger.h"

#include "TSCore/Util/Library.h"
#include "TSCore/Util/Serializer.h"
#include "TSCore/Util/StrStuff.h"

#include "TSCore/Kinematics/Anatomy.h"
#include "TSCore/Kinematics/Quat.h"
#include "TSCore/Kinematics/Values.h"
#include "TSCore/Kinematics/Vect3D.h"
#include "TSCore/Kinematics/BasicHandModel.h"
#include "TSCore/Kinematics/FingerMovement.h"
#include "TSCore/Kinematics/HandInterpolator.h"
#include "TSCore/Kinematics/InterpolationSet.h"
#include "TSCore/Kinematics/JointKinematics.h"
#include "TSCore/Kinematics/ThumbMovement.h"
