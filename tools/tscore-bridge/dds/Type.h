#pragma once

#include <dds/dds.h>

namespace TSCoreBridge::Dds
{
    /// Ties a type generated from IDL to its descriptor, so that a topic, writer or reader of
    /// the wrong type does not compile. Specialised with TSCORE_BRIDGE_DDS_TYPE.
    template <class T>
    struct Type;
}

#define TSCORE_BRIDGE_DDS_TYPE(T)                                                                                      \
  template <>                                                                                                          \
  struct TSCoreBridge::Dds::Type<T>                                                                                    \
  {                                                                                                                    \
    static const dds_topic_descriptor_t& Descriptor() { return T##_desc; }                                             \
  }
