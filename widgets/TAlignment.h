#pragma once

// Horizontal placement of a caption, as the program's widgets store it.
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
