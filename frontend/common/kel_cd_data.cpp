#include "kel_cd_data.h"

namespace kel::frontend {

KelCdVariables KelCdData;

}  // namespace kel::frontend
