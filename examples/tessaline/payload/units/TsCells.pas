unit TsCells;

{$I prod.inc}

interface

uses Classes, Graphics;

type
  TTsCellState = (csNormal, csSelected, csFrozen);

  TTsCell = class(TPersistent)
  private
    FText: string;
    FState: TTsCellState;
    FColor: TColor;
  public
    constructor Create;
    procedure Assign(Source: TPersistent); override;
    property Text: string read FText write FText;
    property State: TTsCellState read FState write FState;
    property Color: TColor read FColor write FColor;
  end;

implementation

constructor TTsCell.Create;
begin
  inherited Create;
  FColor := clWindow;
end;

procedure TTsCell.Assign(Source: TPersistent);
begin
  if Source is TTsCell then
  begin
    FText := TTsCell(Source).Text;
    FState := TTsCell(Source).State;
    FColor := TTsCell(Source).Color;
  end
  else
    inherited Assign(Source);
end;

end.
