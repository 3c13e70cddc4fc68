#pragma once
// The recording's column header, as its writer and its reader know it.
namespace qv::recording {

// Ten pieces, each followed by a unit, then the tail; Windows-1252 literals.
struct HeaderPieces {
    const char* pieces[10];
    const char* tail;
};
inline const HeaderPieces kHeaders[3] = {
    {{"Datum; Uhrzeit; Str\xF6mung Akt [", "]; Str\xF6mung Min [", "]; Str\xF6mung Max [",
      "]; Volumenstrom Akt [", "]; Volumenstrom Min [", "]; Volumenstrom Max [", "]; Temperatur Akt [",
      "]; Temperatur Min [", "]; Temperatur Max [", "]; Totalisator ["},
     "]; Schleichmenge [%]; GK1 ; GK2 ; Betrieb ; Fehler ; letzter Fehler; "},
    {{"Date; Time; actual flow velocity [", "]; min flow velocity [", "]; max flow velocity [",
      "]; actual volume flow [", "]; min volume flow [", "]; max volume flow [", "]; actual temperature [",
      "]; min temperature [", "]; max temperature [", "]; totalisator ["},
     "]; low flow suppression [%]; LS1 ; LS2 ; availability ; error ; last error; "},
    {{"Date; Heure; Vitesse d'\xE9" "coulement actuelle [", "]; Vitesse d'\xE9" "coulement minimale [",
      "]; Vitesse d'\xE9" "coulement maximale [", "]; D\xE9" "bit volum\xE9trique actuel [",
      "]; D\xE9" "bit volum\xE9trique minimal [", "]; D\xE9" "bit volum\xE9trique maximal [",
      "]; Temp\xE9rature actuelle [", "]; Temp\xE9rature minimale [", "]; Temp\xE9rature maximale [",
      "]; Totaliseur ["},
     "]; suppression du d\xE9" "bit volum\xE9trique rampant [%] ; Contact de seuil 1 ; Contact de seuil 2 ; "
     "Service ; D\xE9" "faut ; Dernier d\xE9" "faut; "},
};

}  // namespace qv::recording
