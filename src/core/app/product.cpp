#include "app/product.h"
