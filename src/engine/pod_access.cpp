#include "engine/pod_access.h"

namespace kyvor {

TPodAccess& NoPod() {
  static TNoPod pod;
  return pod;
}

}  // namespace kyvor
