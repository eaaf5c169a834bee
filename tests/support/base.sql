INSERT INTO MSTORE (STORE_CD, STORE_NM) VALUES ('001', 'みどり眼鏡 本店'), ('002', 'みどり眼鏡 駅前店');
INSERT INTO MITEMDEF (ITEM_NO, ITEM_NM, USE_FLG, DISP_KBN, H_ZOKUSEI) VALUES (43, '検査種別', 1, 1, 0), (35, '使用目的', 1, 1, 0), (36, '紹介者', 1, 1, 0);
INSERT INTO MITEMDTL (ITEM_NO, DETAIL_NO, DETAIL_NM, DISP_ORDER) VALUES (43, 1, '遠用', 1), (43, 2, '近用', 2), (43, 5, '中間', 3), (43, 7, '常用', 4), (35, 1, '運転用', 1), (35, 2, '読書用', 2), (36, 3, '友人の紹介', 1);
INSERT INTO MITEMCD (ITEM_CD, ITEM_NM, RYOUGAN_KBN) VALUES (20, '単焦点レンズ', 1), (21, '遠近レンズ', 1), (30, '特注加工', 1), (10, 'フレーム', 0), (50, '小物', 0);
INSERT INTO GSYSPARM (PARM_NO, PARM_NM, PARM_NAIYO) VALUES (1120, 'フレーム区分', '10'), (1180, '特注区分', '30'), (5020, 'カード', '1'), (5040, '明細', '1');
INSERT INTO MITEMDEF (ITEM_NO, ITEM_NM, USE_FLG, DISP_KBN, H_ZOKUSEI) VALUES (37, '担当医', 1, 1, 0), (45, 'コンタクト検眼種別', 1, 1, 0);
INSERT INTO MITEMDTL (ITEM_NO, DETAIL_NO, DETAIL_NM, DISP_ORDER) VALUES (37, 1, '高橋 医師', 1), (45, 40, '装用中', 1), (45, 10, 'トライアル', 2), (45, 20, '追加矯正', 3), (45, 30, '処方', 4);
INSERT INTO MITEMCD (ITEM_CD, ITEM_NM, RYOUGAN_KBN) VALUES (60, 'コンタクトレンズ', 1);
