#pragma once

// The kinds of sheet columns, and the section classes as TApp names them.

enum class TColumnKind { Point, Pasch, Num, Street, Wummel, Chance };

template <TColumnKind Kind> class TColumn;
template <TColumnKind Kind> class TPatternField;
template <TColumnKind Kind> class TSingleLabelField;
class TPointfield;
class TWinPointField;

using TPaschfield = TPatternField<TColumnKind::Pasch>;
using TNumfield = TPatternField<TColumnKind::Num>;
using TStreetfield = TPatternField<TColumnKind::Street>;
using TWummelField = TSingleLabelField<TColumnKind::Wummel>;
using TChanceField = TSingleLabelField<TColumnKind::Chance>;
