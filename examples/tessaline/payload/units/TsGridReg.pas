unit TsGridReg;

interface

procedure Register;

implementation

uses Classes, TsGrid;

procedure Register;
begin
  RegisterComponents('Tessaline', [TTsGrid]);
end;

end.
