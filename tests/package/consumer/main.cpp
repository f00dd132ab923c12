// Built against the installed package only (find_package and pkg-config).
#include <TSCore/TSCore.h>

#include <iostream>

int main()
{
    using namespace TSCore;
    using namespace TSCore::Kinematics;

    std::cout << Library::Version() << "\n";
    const Vect3D v = Quat::FromAngleAxis(1.5707964f, 0, 0, 1).Rotate(Vect3D(1, 0, 0));
    std::cout << "rotated: " << v.ToString() << "\n";
    return v.Equals(Vect3D(0, 1, 0)) ? 0 : 1;
}
