unit TsGrid;

{$I prod.inc}

interface

uses Classes, Controls, Grids, TsCells;

type
  TTsGrid = class(TCustomGrid)
  private
    FFrozenRows: Integer;
    procedure SetFrozenRows(Value: Integer);
  protected
    procedure DrawCell(ACol, ARow: Longint; ARect: TRect;
      AState: TGridDrawState); override;
  published
    property FrozenRows: Integer read FFrozenRows write SetFrozenRows default 0;
    property Align;
    property ColCount;
    property RowCount;
  end;

implementation

procedure TTsGrid.SetFrozenRows(Value: Integer);
begin
  if Value < 0 then Value := 0;
  if Value <> FFrozenRows then
  begin
    FFrozenRows := Value;
    Invalidate;
  end;
end;

procedure TTsGrid.DrawCell(ACol, ARow: Longint; ARect: TRect;
  AState: TGridDrawState);
begin
  Canvas.FillRect(ARect);
end;

end.
