#include "TSCore/Kinematics/Values.h"

#include "TSCore/Kinematics/Quat.h"
#include "TSCore/Kinematics/Vect3D.h"

namespace TSCore::Kinematics
{
    namespace
    {
        template <typename T>
        bool EqualList(const std::vector<T>& a, const std::vector<T>& b)
        {
            if (a.size() != b.size())
                return false;
            for (std::size_t i = 0; i < a.size(); ++i)
                if (!a[i].Equals(b[i]))
                    return false;
            return true;
        }

        template <typename T>
        bool EqualLists(const std::vector<std::vector<T>>& a, const std::vector<std::vector<T>>& b)
        {
            if (a.size() != b.size())
                return false;
            for (std::size_t i = 0; i < a.size(); ++i)
                if (!EqualList(a[i], b[i]))
                    return false;
            return true;
        }
    }

    bool Values::Equal(const std::vector<Vect3D>& a, const std::vector<Vect3D>& b) { return EqualList(a, b); }
    bool Values::Equal(const std::vector<Quat>& a, const std::vector<Quat>& b) { return EqualList(a, b); }
    bool Values::Equal(const std::vector<std::vector<Vect3D>>& a, const std::vector<std::vector<Vect3D>>& b)
    {
        return EqualLists(a, b);
    }
    bool Values::Equal(const std::vector<std::vector<Quat>>& a, const std::vector<std::vector<Quat>>& b)
    {
        return EqualLists(a, b);
    }
}
