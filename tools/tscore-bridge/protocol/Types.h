#pragma once

// The types generated from the IDL files under idl/, bound to the DDS layer.

#include "diagnostic_msgs/msg/DiagnosticStatus.h"
#include "geometry_msgs/msg/PoseArray.h"
#include "sensor_msgs/msg/JointState.h"
#include "std_msgs/msg/Float32MultiArray.h"
#include "tscore_bridge/Bridge.h"

#include "dds/Type.h"

TSCORE_BRIDGE_DDS_TYPE(tscore_bridge_Device);
TSCORE_BRIDGE_DDS_TYPE(tscore_bridge_Sensor);
TSCORE_BRIDGE_DDS_TYPE(tscore_bridge_Service);
TSCORE_BRIDGE_DDS_TYPE(tscore_bridge_Command);
TSCORE_BRIDGE_DDS_TYPE(tscore_bridge_Mirror);
TSCORE_BRIDGE_DDS_TYPE(tscore_bridge_PublisherState);
TSCORE_BRIDGE_DDS_TYPE(sensor_msgs_msg_dds__JointState_);
TSCORE_BRIDGE_DDS_TYPE(geometry_msgs_msg_dds__PoseArray_);
TSCORE_BRIDGE_DDS_TYPE(diagnostic_msgs_msg_dds__DiagnosticStatus_);
TSCORE_BRIDGE_DDS_TYPE(std_msgs_msg_dds__Float32MultiArray_);
