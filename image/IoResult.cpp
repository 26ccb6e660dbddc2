#include "image/IoResult.h"

namespace orb {

const char* toText(IoResult r) {
    switch (r) {
        case IoResult::Ok:
            return "ok";
        case IoResult::OpenFailed:
            return "cannot open the file";
        case IoResult::NotReplaceable:
            return "not a writable regular file";
        case IoResult::CreateFailed:
            return "cannot create the file";
        case IoResult::WrongSize:
            return "the file has the wrong size";
        case IoResult::ReadFailed:
            return "cannot read the file";
        case IoResult::WriteFailed:
            return "cannot write the file";
        case IoResult::OutOfRange:
            return "index or address out of range";
        case IoResult::StoreFull:
            return "the item store holds 100 items";
    }
    return "unknown result";
}

}  // namespace orb
