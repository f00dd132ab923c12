#pragma once

// A URDF read with urdfdom, checked where urdfdom is lenient (a link with two parents, links
// in a cycle apart from the root, numbers that are not finite, zero axes, inverted limits),
// and its KDL tree: one segment per joint, named after the joint's child link.

#include <string>

#include <kdl/tree.hpp>
#include <urdf_model/model.h>
#include <urdf_world/types.h>

namespace TSCore::Retarget::detail
{
    struct LoadedUrdf
    {
        std::string path;
        /// The file's name as messages give it.
        std::string name;
        urdf::ModelInterfaceSharedPtr model;
        KDL::Tree tree;
    };

    /// Reads and checks the URDF at path; where says which configuration element named it.
    /// False with error set ("file: problem", or "where: problem" when the file cannot be
    /// read).
    bool LoadUrdf(const std::string& path, const std::string& where, LoadedUrdf& out, std::string& error);
}
