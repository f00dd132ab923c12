#include "TSCore/Util/StoredKind.h"

#include <string_view>
#include <vector>

#include "Util/FieldReader.h"

namespace TSCore::Util
{
    namespace
    {
        std::string_view Trimmed(std::string_view block)
        {
            const std::size_t start = block.find_first_not_of(' ');
            if (start == std::string_view::npos)
                return {};
            return block.substr(start, block.find_last_not_of(' ') - start + 1);
        }

        bool IsSide(std::string_view block)
        {
            const std::string_view side = Trimmed(block);
            return side == "R" || side == "L";
        }

        bool NestedList(std::string_view block)
        {
            const std::string_view list = Trimmed(block);
            return list.empty() || list.substr(0, 2) == "{{";
        }

        bool FlatList(std::string_view block)
        {
            const std::string_view list = Trimmed(block);
            return list.size() >= 2 && list[0] == '{' && list[1] != '{';
        }

        // A profile's part: its own side block, then what the family keeps.
        bool ProfilePart(std::string_view block)
        {
            std::vector<std::string_view> inner;
            detail::SplitBlockViews(block, inner);
            return inner.size() >= 2 && IsSide(inner[0]);
        }
    }

    StoredKind KindOfStored(const std::string& text)
    {
        std::vector<std::string_view> blocks;
        detail::SplitBlockViews(text, blocks);
        if (blocks.empty() || !IsSide(blocks[0]))
            return StoredKind::Other;
        if (blocks.size() == 3)
            return ProfilePart(blocks[1]) && ProfilePart(blocks[2]) ? StoredKind::HandProfile : StoredKind::Other;
        if (blocks.size() != 4)
            return StoredKind::Other;
        if (NestedList(blocks[1]))
            return StoredKind::HandPose;
        if (FlatList(blocks[1]) && FlatList(blocks[2]) && FlatList(blocks[3]))
            return StoredKind::HandModel;
        return StoredKind::Other;
    }
}
